#pragma once
// "Paste from Clipboard": the modal window that lays the clipboard picture over the current format.
// The user moves and scales it with a frame on the view, with X and Y, the ratio controls and the
// fit buttons, zooms the view, and on palette formats picks one of four quantised versions; OK
// writes the result into the format. Made once at start-up; every showing starts over from the
// clipboard and the format. The rules and pictures are in model/paste_frame.
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <memory>

#include "iconfiles/qv_clipboard.h"
#include "imaging/icon_image.h"
#include "model/paste_frame.h"
#include "platform/ui/frame_controls.h"
#include "workspace/base_form.h"

class QFrame;

class Tfrm_Paste : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 772;
    static constexpr int ClientHeight = 552;

    explicit Tfrm_Paste(QWidget* parent = nullptr);
    ~Tfrm_Paste() override;

    // The format to paste into, set by the caller before showing.
    TIconImageRec* Target = nullptr;

    // Shows the window modally over a format; true when OK wrote the result into it. With no
    // picture on the clipboard OK is a Cancel.
    bool Execute(QWidget* parent, TIconImageRec* target);

    // The window's rules and pictures.
    TPasteFrame Paste;
    bool Dragging = false;

    // ---- controls ----
    QWidget* PaintBox1 = nullptr;
    QToolButton* btn_ZoomIn = nullptr;
    QToolButton* btn_ZoomOut = nullptr;
    QPushButton* btn_FitWidth = nullptr;
    QPushButton* btn_FitHeight = nullptr;
    QPushButton* btn_ActualSize = nullptr;
    // spn_X, spn_Y, chk_RatioLock, lbl_HRatio, trc_WRatio, spn_WRatio, trc_HRatio, spn_HRatio.
    TFrameControls* Placement = nullptr;
    QPushButton* btn_OK = nullptr;
    QPushButton* btn_Cancel = nullptr;
    QLabel* lbl_Effect = nullptr;
    QFrame* Panel1 = nullptr;
    QWidget* Image1 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;

    // ---- handlers (public so tests can drive them as the controls do) ----
    void btn_ZoomInClick();
    void btn_ZoomOutClick();
    void btn_FitWidthClick();
    void btn_FitHeightClick();
    void btn_ActualSizeClick();
    void btn_OKClick();
    // kind: 2 press, 3 move, 1 release; view pixels.
    void ViewMouse(int kind, int x, int y, Qt::MouseButtons buttons);
    // A release on the variant picture at (x, y) of Image1.
    void Image1MouseUp(int x, int y);

    void setVisible(bool visible) override;

private:
    void MakeControls();
    void FormShow();
    void ResetControls();
    void SyncControls();
    void ApplyControls();
    void AfterFrameButton();
    void Refresh(bool draft);
    void EndDrag();
    void LayoutVariantPanel();

    // Holds the pasted picture when there is no main window's clipboard object.
    TQVClipboard clipboard_;
};

// The one paste window while it exists.
extern Tfrm_Paste* frm_Paste;
