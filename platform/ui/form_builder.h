#pragma once
// The one way our forms make their controls. Forms keep the pixel layout of their design, so every
// call places a control at given coordinates inside a parent; each control gets the name of its
// design (objectName), which tests and the settings use to find it.
//
// Numeric parameters are one row: a caption, a track bar and a spin edit. By default the row is
// paired: the track bar holds the value and the spin edit mirrors it; a spin edit's text reaches
// the track bar only when it is a whole number (IsIntegerText on the trimmed text), and each side
// passes a value on only when it differs from what the other side shows, so a programmatic update
// never loops. A window that needs other rules asks for an unpaired row and wires its own handlers.
//
//     TFormBuilder form(this);
//     const TTrackRow b = form.TrackRow("Brightness", "Brightness:", -100, 100, 0, {10, 30, 200, 24}, 220);
//     connect(b.Track, &TTrackBar::Changed, this, &Tfrm_Brightness_Contrast::tb_BrightnessChange);
//     const TButtonRow buttons = form.Buttons({"btn_OK", "btn_Cancel", "btn_Help"}, 100, 200);
#include <QIcon>
#include <QRect>
#include <QString>
#include <QToolButton>
#include <initializer_list>

#include "platform/color.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;
class TSpinEdit;
class TTrackBar;

// A button that shows a colour; a click asks the dialog service for another one.
class TColorSwatch : public QToolButton {
    Q_OBJECT
public:
    explicit TColorSwatch(QWidget* parent = nullptr, TColor color = 0);
    TColor Color() const { return color_; }
    // Sets the colour shown; Changed fires only when it differs.
    void SetColor(TColor color);
    // When false, a click only emits Clicked (the window chooses what to open).
    bool PicksOnClick = true;

signals:
    void Changed(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Pick();
    TColor color_ = 0;
};

// The three controls of a numeric parameter. Caption is null when the row has none.
struct TTrackRow {
    QLabel* Caption = nullptr;
    TTrackBar* Track = nullptr;
    TSpinEdit* Spin = nullptr;
};

// The buttons of a dialog's button row; a button not asked for stays null.
struct TButtonRow {
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* Help = nullptr;
};

// The program's own icon (":/tavrin.ico"), read once for every window that shows it.
QIcon ProgramIcon();

// A tool-bar glyph: the desktop theme's icon of that name, else our own ":/glyphs/<own>.png".
QIcon ToolGlyph(const char* themeName, const char* ownName);

// A hint "short|long": the short part becomes the action's tool tip, the long part its status-bar
// text; a hint without "|" serves as both.
void SetActionHint(QAction* action, const QString& hint);

// Pairs a track bar and a spin edit as described above (the track bar holds the value).
void PairTrackAndSpin(TTrackBar* track, TSpinEdit* spin);

class TFormBuilder {
public:
    explicit TFormBuilder(QWidget* parent) : parent_(parent) {}
    // Controls made next go into this parent (a group box, a page); the builder's own parent
    // comes back with the parent-less overload.
    TFormBuilder Inside(QWidget* parent) const { return TFormBuilder(parent); }
    QWidget* Parent() const { return parent_; }

    // A label sized to its text at (x, y); empty name: the label has none.
    QLabel* Label(const QString& name, const QString& text, int x, int y, bool bold = false);
    // A label with a fixed rectangle and alignment.
    QLabel* Label(const QString& name, const QString& text, const QRect& geometry, Qt::Alignment align);
    QGroupBox* Group(const QString& name, const QString& title, const QRect& geometry);
    QCheckBox* Check(const QString& name, const QString& text, int x, int y, bool checked = false);
    QRadioButton* Radio(const QString& name, const QString& text, int x, int y);
    // Radio buttons at the given places, joined in one exclusive group owned by the parent; the
    // first is checked when checkedIndex is 0, and so on (-1: none).
    struct RadioItem {
        QString Name;
        QString Text;
        int X;
        int Y;
    };
    QButtonGroup* RadioGroup(std::initializer_list<RadioItem> radios, int checkedIndex = 0);
    TSpinEdit* Spin(const QString& name, int min, int max, int value, const QRect& geometry);
    // A row "caption  [track bar]  [spin]": the caption at (track.x, track.y - 16) when given, the
    // track bar in trackGeometry, the spin edit 56 pixels wide at spinX on the track bar's line.
    // Names are "lbl_" / "tb_" / "se_" + suffix.
    TTrackRow TrackRow(const QString& suffix, const QString& caption, int min, int max, int value,
                       const QRect& trackGeometry, int spinX, bool paired = true);
    // Push buttons 75 x 25 from (x, y), 10 pixels apart, in the order OK, Cancel, Help, for each
    // name that is not empty. OK is the default button; Cancel rejects a QDialog parent (which is
    // also what Esc does there).
    TButtonRow Buttons(const QString& okName, const QString& cancelName, const QString& helpName, int x, int y);
    QPushButton* Button(const QString& name, const QString& text, const QRect& geometry);
    TColorSwatch* Swatch(const QString& name, TColor color, const QRect& geometry);
    // A flat tool button with a tool tip and an icon (tool bars, tool pickers).
    QToolButton* ToolButton(const QString& name, const QString& hint, const QIcon& icon, const QRect& geometry);
    // A sunken line or panel.
    QFrame* Bevel(const QString& name, const QRect& geometry, bool line = false);

private:
    QWidget* parent_;
};
