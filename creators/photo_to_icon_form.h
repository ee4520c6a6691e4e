#pragma once
// "Photo To Icon": turns a picture into the formats of a new icon. The user lays a crop frame over
// the picture relative to the red icon square, picks the output formats, may render them
// cartoon-like (through the cartoon-options window) and may lay a decorative frame over them.
// Every change renders every output format again, so OK hands finished formats to the main
// window. Made once at start-up; its formats and most settings last for the run.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "creators/cartoon_peers.h"
#include "imaging/icon_image.h"
#include "model/photo_crop.h"
#include "model/photo_frames.h"
#include "model/rotate_frame.h"
#include "platform/bitmap24.h"
#include "workspace/base_form.h"

class TFormatStrip;
class TFrameControls;
class TSwatchBar;
class TPhotoView;
class TSpinEdit;
class TTrackBar;
class QFrame;

class Tfrm_PhotoToIcon : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 772;
    static constexpr int ClientHeight = 561;
    static constexpr int ViewWidth = 353;
    static constexpr int ViewHeight = 377;
    static constexpr int MasterSize = 256;

    explicit Tfrm_PhotoToIcon(QWidget* parent = nullptr);
    ~Tfrm_PhotoToIcon() override;

    // Loads a picture; on failure says "<path> open failed." and keeps the previous picture.
    bool LoadPicture(const QString& path);
    // Runs the dialog modally over the loaded picture; true on OK (Formats then hold the icon).
    bool Execute();
    // Renders every output format again from the picture, the crop and the settings.
    void UpdateIconImages();
    void ResetDialog();

    // ---- state ----
    TIconImageArray Formats;
    int SelectedFormat = 0;
    Bitmap24 Photo;
    Bitmap24 Master;
    Bitmap24 ViewBitmap;
    TRotateFrame CropFrame;
    double Zoom = 3;
    Rect IconRect;
    Rect SourceRect;
    Rect VisibleInIcon;
    Rect CropDest;
    int FrameCentreX = 0, FrameCentreY = 0, FrameWidth = 0, FrameHeight = 0, FrameAngle = 0;
    bool NotDragging = true;
    int LastDetail = 65535, LastDarkness = 65535, LastThreshold = 65535, LastReducer = 0;
    // Frames (the folder "frames" next to the executable unless set otherwise).
    QString FramesFolder;
    TFrameLibrary FrameFiles;
    int SelectedFrame = 0;
    bool FrameLoaded = false;
    TColor FrameColor = 0x0000C2;

    // ---- controls ----
    QWidget* PaintBox1 = nullptr; // the view (TPhotoView)
    TFormatStrip* FormatStrip = nullptr; // btn_ScrollLeft, Panel3 with img_preview, btn_ScrollRight
    TSwatchBar* Image1 = nullptr;        // the background swatches
    QToolButton* btn_AddImage = nullptr;
    QToolButton* btn_deleImage = nullptr;
    QCheckBox* chk_CartoonLike = nullptr;
    QCheckBox* Chk_DrawSketch = nullptr;
    QCheckBox* Chk_Remain = nullptr;
    QCheckBox* chk_DrawColor = nullptr;
    QLabel* lbl_Detail = nullptr;
    QLabel* lbl_Darkness = nullptr;
    QLabel* lbl_Threshold = nullptr;
    QLabel* lbl_Reducer = nullptr;
    TTrackBar* Trc_Detail = nullptr;
    TTrackBar* Trc_Darkness = nullptr;
    TTrackBar* Trc_Threshold = nullptr;
    TTrackBar* trc_ColorReducer = nullptr;
    TSpinEdit* Spn_Detail = nullptr;
    TSpinEdit* Spn_Darkness = nullptr;
    TSpinEdit* Spn_Threshold = nullptr;
    TSpinEdit* Spn_ColorReducer = nullptr;
    QPushButton* btn_CartoonMore = nullptr;
    QCheckBox* chk_PhotoFrame = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* shp_FrameColor = nullptr;
    TFormatStrip* FramesStrip = nullptr;
    TSpinEdit* spn_X = nullptr;
    TSpinEdit* spn_Y = nullptr;
    QCheckBox* chk_RatioLock = nullptr;
    QLabel* lbl_HRatio = nullptr;
    TTrackBar* trc_WRatio = nullptr;
    TTrackBar* trc_HRatio = nullptr;
    TSpinEdit* spn_WRatio = nullptr;
    TSpinEdit* spn_HRatio = nullptr;
    // The eight controls above that place the crop frame, with their rules.
    TFrameControls* Placement = nullptr;
    QToolButton* btn_ZoomIn = nullptr;
    QToolButton* btn_ZoomOut = nullptr;
    QPushButton* btn_FitWidth = nullptr;
    QPushButton* btn_FitHeight = nullptr;
    QPushButton* btn_ActualSize = nullptr;
    QPushButton* btn_OpenFile = nullptr;
    QPushButton* btn_reset = nullptr;
    QPushButton* btn_OK = nullptr;
    QPushButton* btn_Cancel = nullptr;

    // ---- handlers (public so tests can drive them as the controls do) ----
    void btn_ZoomInClick();
    void btn_ZoomOutClick();
    void btn_FitWidthClick();
    void btn_FitHeightClick();
    void btn_ActualSizeClick();
    void btn_resetClick();
    void btn_OpenFileClick();
    void btn_AddImageClick();
    void btn_deleImageClick();
    void SelectFormatAt(int stripX);
    void SelectFrameAt(int stripX);
    void ViewMouse(int kind, int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {});
    // A drag that lost its release (grab lost, window left) ends here as if released.
    void EndDrag();
    void DrawView();
    void DrawFormatStrip();
    void LoadFrames();

    void setVisible(bool visible) override;
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void MakeControls();
    void ResetFrame();
    void SetCropFrame(const Rect& frame, double aspect);
    Rect GetFrameRect() const;
    void SyncFrameControls();
    void ApplyFrameControls();
    void ZoomChanged();
    void AfterFrameButton();
    void chk_CartoonLikeClick();
    void Chk_DrawSketchClick();
    void Chk_RemainClick();
    void chk_DrawColorClick();
    void CompactTrackChanged(TTrackBar* track, TSpinEdit* spin, int& last, TCartoonControl control);
    void SyncCartoonControls();
    void btn_CartoonMoreClick();
    void shp_FrameColorClick();
    double PictureAspect() const;

    Bitmap24 frameScratch_;
};
