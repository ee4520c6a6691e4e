#pragma once
// The base of every window of the program but the document window: it restores the window's
// placement from "position.cfg" when the window is shown, saves it when the window is closed or
// hidden and when it is destroyed, keeps at least 50 pixels of the window on the work area and, for
// the tool windows, snaps its edges to the work area's.
//
// Tfrm_base is a dialog (tool windows are shown modeless with Qt::Tool, dialogs run modal); the main
// window uses the same base over QMainWindow. A descendant names its form in the constructor; the
// name is the window's section in "position.cfg" ("frm_history", ...).
#include <QDialog>
#include <QKeyEvent>
#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <QString>
#include <type_traits>

// A placement as "position.cfg" keeps it: outer edges and size in screen pixels and the window
// state (0 normal, 1 minimized, 2 maximized). -1 is absent.
struct TPlacement {
    int Left = -1;
    int Top = -1;
    int Width = -1;
    int Height = -1;
    int WindowState = -1;
    friend bool operator==(const TPlacement&, const TPlacement&) = default;
};

// Full path of "position.cfg". The file is read once per run, when a window first asks for it;
// reads and writes below go to that copy, and SavePositionFile writes it when the program ends.
QString PositionFilePath();
// A missing file, section or key reads as absent; so does a width or height <= 0 and a state
// other than 0, 1 or 2, which no window could have had.
TPlacement ReadPlacement(const QString& file, const QString& section);
// Writes "left", "top", "width", "height" and "WindowState", in this order.
bool WritePlacement(const QString& file, const QString& section, const TPlacement& placement);
// The key "showing" of a section, for the windows whose visibility is remembered.
bool ReadShowing(const QString& file, const QString& section, bool defaultValue);
bool WriteShowing(const QString& file, const QString& section, bool showing);
// Writes "position.cfg" when the run changed it (once, at the end). False (and the error text)
// when that failed.
bool SavePositionFile(QString* error = nullptr);

// What every instantiation of the base shares.
class TBaseFormCore {
public:
    QString PositionFile;          // full path of "position.cfg"
    bool RememberPlacement = true; // restore and save the placement
    bool SnapToEdges = false;      // the tool windows turn it on

    void SavePlacement();
    // Puts the window's outer rectangle (frame included) where a layout that already keeps to the
    // work area decided, without the moving rules (snapping would undo a chosen margin).
    void SetOuterGeometry(const QRect& outer);
    // Whether "position.cfg" holds a place of the user's for this window.
    bool HasStoredPosition() const;
    // The window's placement now, as it would be saved (a maximized or minimized window gives its
    // normal rectangle).
    TPlacement CurrentPlacement() const;

protected:
    explicit TBaseFormCore(QWidget* self);
    ~TBaseFormCore() = default;

    // Called just before the window becomes visible.
    void RestorePlacement();
    // Called on every move and resize of the visible window.
    void PositionChanging();
    // Gives a restored window its stored outer place and size once the frame's size is known.
    void ApplyPendingPlacement();
    // Called right after the window became visible.
    void AfterShow();

    bool shownOnce_ = false;

private:
    // A window with a fixed size (minimum = maximum) keeps its designed size.
    bool IsSizeable() const;

    QWidget* self_;
    bool adjusting_ = false;
    // An outer rectangle restored before the window manager told us its frame: applied again once
    // it does, so a restored window neither grows by its frame nor creeps by it on every run.
    QRect pendingOuter_;
    bool pendingSize_ = false;
    int framePolls_ = 0;
};

template <class QtBase>
class TBaseForm : public QtBase, public TBaseFormCore {
public:
    explicit TBaseForm(const QString& formName, QWidget* parent = nullptr, Qt::WindowFlags flags = {})
        : QtBase(parent, flags), TBaseFormCore(this)
    {
        this->setObjectName(formName);
    }
    ~TBaseForm() override { SavePlacement(); }

    void setVisible(bool visible) override
    {
        if (visible && !this->isVisible()) {
            RestorePlacement();
            QtBase::setVisible(true);
            shownOnce_ = true;
            AfterShow();
            return;
        }
        if (!visible && this->isVisible()) SavePlacement();
        QtBase::setVisible(visible);
    }

protected:
    void moveEvent(QMoveEvent* event) override
    {
        QtBase::moveEvent(event);
        PositionChanging();
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QtBase::resizeEvent(event);
        PositionChanging();
    }
    bool event(QEvent* event) override
    {
        const bool result = QtBase::event(event);
        if (event->type() == QEvent::WindowActivate) ApplyPendingPlacement();
        return result;
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // A modeless tool window is not dismissed by Escape the way a dialog is.
        if constexpr (std::is_base_of_v<QDialog, QtBase>) {
            if (event->key() == Qt::Key_Escape && !this->isModal()) {
                event->ignore();
                return;
            }
        }
        QtBase::keyPressEvent(event);
    }
};

using Tfrm_base = TBaseForm<QDialog>;

// Runs a dialog made once at start-up modally over the window that asked for it: the dialog stays
// above that window (the tools window is always on top) while it runs, and belongs to no window
// afterwards. Owner may be null.
int ExecOver(QDialog& dialog, QWidget* owner);
