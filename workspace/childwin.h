#pragma once
// The document window: one open icon in the main window's frame. It shows the current format
// magnified over a transparency checkerboard with an optional pixel grid, all formats as a strip
// of thumbnails, adds, deletes and switches formats, routes canvas mouse input to the current
// tool, tracks the modified state in its caption, saves the icon and asks before a modified icon
// is closed. Its state lives in TDocumentModel; this class is the window around it.
//
// Making one (the main window's new and open commands, the icon library, the icon mixer):
//     auto* doc = new Tfrm_childwin;
//     doc->AttachTo(mdiArea);                  // a child window of the design size, centred
//     doc->Document().Folder = folder;         // with a trailing "/"; empty: never saved
//     doc->Document().FileName = name;
//     doc->AddImageFormats(formats);           // or AddImageFormat one by one; the last ends current
//     doc->UpdateCaption();
//     doc->parentWidget()->show();
// The caller keeps and frees the records it passed; the window copies them. Close the document
// through its child window (QMdiSubWindow::close, QMdiArea::closeActiveSubWindow): the window
// asks its save question there and is deleted with the child window once the close is accepted.
#include <cstdint>
#include <functional>
#include <vector>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "imaging/icon_image.h"
#include "platform/rect.h"
#include "model/document_model.h"
#include "workspace/paint_surface.h"
#include "workspace/peers.h"
#include "workspace/picture_dialogs.h"

class QFrame;
class QMdiArea;
class QMdiSubWindow;
class QPainter;
class QStatusBar;
class QToolButton;
class TCanvasBox;
class TFormatStrip;
class TSwatchBar;
class Tfrm_childwin;


class Tfrm_childwin : public QWidget, public TPaintSurface {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 475;
    static constexpr int DesignHeight = 553;
    static constexpr int MinWidth = 350;
    static constexpr int MinHeight = 486;
    static constexpr int MaxWidth = 1290;
    static constexpr int MaxHeight = 1024;
    static constexpr int StripPanelHeight = 153; // Panel5
    static constexpr int BevelSize = 5;

    explicit Tfrm_childwin(QWidget* parent = nullptr);
    ~Tfrm_childwin() override;

    // Puts the window into a frame as a child window of the design size, centred in it.
    QMdiSubWindow* AttachTo(QMdiArea* area);

    // ---- state ----
    TDocumentModel& Document() override { return doc_; }
    const TDocumentModel& Document() const { return doc_; }
    TIconImageArray& Images() { return doc_.Images; }
    const TIconImageArray& Images() const { return doc_.Images; }
    int CurrentIndex() const { return doc_.CurrentIndex; }
    TIconImageRec* CurrentImage() { return doc_.CurrentImage(); }
    bool IsModified() const { return doc_.Modified == 1; }
    int ZoomFactor() const { return doc_.ZoomFactor; }
    // The path the icon was loaded from or saved to; empty while never saved.
    QString FilePath() const;
    // The serial of the icon library this document was linked under (with LibIconName), so that
    // its Save never reaches a library opened since.
    uint32_t LibrarySerial = 0;

    // ---- services ----
    // Appends a copy of the record as a new format, makes it current and records its first
    // history step "New". Returns 0.
    int AddImageFormat(const TIconImageRec& rec);
    // Appends every format of an opened icon, drawing the strip once.
    void AddImageFormats(const TIconImageArray& formats);
    // The same for the formats just read from an icon file, whose bitmaps are taken over; with a
    // source per format (the reader's), each first step "New" is kept as its source in memory.
    void AddOpenedFormats(TIconImageArray&& formats, const std::vector<TIconImageSource>& sources);
    // Brings the tools, colour and history windows and the canvas in line with the current format.
    void ActivateCurrentFormat();
    // Makes the format whose strip cell holds x current.
    void SelectFormatAt(int stripX);
    void SetModified(bool modified) override;
    void UpdateCaption();
    // File > Save. True when the icon was written.
    bool Save();
    // What the save question asked before closing decided.
    enum class TCloseAnswer {
        Close,   // nothing unsaved, or it was saved
        Discard, // the person chose not to save
        Keep,    // Cancel, or a Yes whose save failed or was cancelled: the window stays
    };
    // Asks the save question when the icon is modified (Yes saves); changes nothing else, so a
    // shut-down can ask every document before it closes any.
    TCloseAnswer AskToSave();
    // Copies the colour window's palette into the current format and repaints.
    void ApplyPanelPalette();
    // The tools window chose another tool (or the same again).
    void ToolChanged();
    // Commits an open text frame: a step "Text", the document modified, the text lock released.
    void CommitText();
    // Drops an open text frame: the format goes back to how it was when the frame opened.
    void DiscardText();
    // The open text frame takes this centre, angle, height and width (image pixels); nothing
    // happens while no frame is open.
    void SetTextFrame(int x, int y, int angle, int height, int width);
    // Draws the strip's thumbnails again (after a tool changed the current format's pixels).
    void DrawFormatThumbnails() override;
    QObject* SurfaceObject() override { return this; }
    bool HasSelection() const { return doc_.HasSelection(); }
    // Hands a canvas mouse event to the current tool when this is the active document.
    void DispatchToolMouse(int phase, int x, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int y);
    // Repaint part or all of the canvas from the current format.
    void RenderRect(const Rect& rect) override;
    void RenderAll() override;
    // The canvas re-rendered whole (the paint of the whole window).
    void FormPaint();
    void FitCanvas();
    void DrawFormatStrip();

    // ---- handlers of the controls ----
    void btn_ShowGridClick();
    void btn_PreviewClick();
    void btn_AddImageClick();
    void btn_deleImageClick();
    void PickStripBackground();

    // ---- controls ----
    QWidget* Panel5 = nullptr;
    TFormatStrip* FormatStrip = nullptr; // btn_ScrollLeft, Panel1 with img_preview, btn_ScrollRight
    QToolButton* btn_ShowGrid = nullptr;
    TSwatchBar* Image1 = nullptr;
    QToolButton* btn_Preview = nullptr;
    QToolButton* btn_AddImage = nullptr;
    QToolButton* btn_deleImage = nullptr;
    QFrame* bev_left = nullptr;
    QFrame* bev_right = nullptr;
    QFrame* bev_top = nullptr;
    QFrame* bev_bottom = nullptr;
    QWidget* CanvasArea = nullptr; // the free area inside the bevels; clips the canvas
    QWidget* PaintBox1 = nullptr; // the canvas
    QStatusBar* StatusBar1 = nullptr;
    TSavePictureDialogEx dlgSavePic;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Append(i) adds the i-th format and returns its index.
    void AddFormats(int count, const std::function<int(int)>& append, const std::vector<TIconImageSource>* sources);
    friend class TCanvasBox;
    void LayoutControls();
    void FormActivate();
    void PaintBox1MouseDown(int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
                            Qt::KeyboardModifiers modifiers);
    void PaintBox1MouseMove(int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void PaintBox1MouseUp(int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
                          Qt::KeyboardModifiers modifiers);
    // Copies the colour window's palette into the current format, drawing nothing.
    void TakePanelPalette();
    bool IsActiveDocument() const;
    int CurrentToolId() const;

    TDocumentModel doc_;
    QPointer<QMdiSubWindow> subWindow_;
    // The same frame, only compared with: its events still come while it is being destroyed.
    const QObject* watchedFrame_ = nullptr;
    bool stripCheckQueued_ = false;
    // Formats deleted from this icon: their steps stay until it closes, and go with it. (One
    // restored from the recycle bin comes back as a new format, with a track of its own.)
    std::vector<int32_t> deletedIds_;
    bool tooSmallShown_ = false;
    // The button whose press started the drag in progress; only its release ends it.
    Qt::MouseButton dragButton_ = Qt::NoButton;
};
