#pragma once
// "More Cartoon Options": the parameters of photo to icon's cartoon rendering and the render of
// every output format (TCartoonRender). Made once at start-up, last of the windows; photo to icon
// reaches it through CartoonPeers() and shows it modally from its "More Options" button. Every
// change of a control asks photo to icon to render again.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "creators/cartoon_peers.h"
#include "model/cartoon_render.h"
#include "workspace/base_form.h"

class TSpinEdit;
class TTrackBar;

class Tfrm_CartoonOption : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 600;
    static constexpr int ClientHeight = 430;

    // Reads the preset file from the executable's folder unless presetPath is given.
    explicit Tfrm_CartoonOption(QWidget* parent = nullptr, const QString& presetPath = QString());
    ~Tfrm_CartoonOption() override;

    // Set by photo to icon before use; Formats is dropped when the window closes.
    TIconImageArray* Formats = nullptr;
    const Bitmap24* Master = nullptr;
    Rect CropDest;
    bool CartoonEnabled = false;

    // Renders every entry of Formats from Master and shows the selected one.
    void RenderIconImages();
    // The settings a render reads, taken from the controls.
    TCartoonSettings Settings() const;
    TCartoonRender& Renderer() { return render_; }
    TCartoonControlState ControlState() const;
    void WriteControl(TCartoonControl control, int value);

    void setVisible(bool visible) override;
    void done(int result) override;

    // ---- controls ----
    QTabWidget* pgc_Options = nullptr;
    QWidget* tab_LineDrawing = nullptr;
    QWidget* tab_Coloring = nullptr;
    QCheckBox* Chk_DrawSketch = nullptr;
    QCheckBox* Chk_Remain = nullptr;
    QCheckBox* Chk_DrawColor = nullptr;
    QGroupBox* grp_Preview = nullptr;
    QLabel* Image1 = nullptr;
    QComboBox* cmb_IconImage = nullptr;
    QPushButton* btn_OK = nullptr;

    // The thirteen rows in the order of their last positions.
    enum Row {
        rDetail, rDarkness, rDarkness2, rThreshold, rSketchSmooth, rBorderBlur, rColorReducer,
        rBrightness, rContrast, rSaturation, rRed, rGreen, rBlue, RowCount
    };
    QLabel* RowLabel[RowCount] = {};
    TTrackBar* RowTrack[RowCount] = {};
    TSpinEdit* RowSpin[RowCount] = {};

private:
    void MakeControls();
    void LoadPreset(const QString& path);
    void TrackChanged(int row);
    void SpinChanged(int row);
    void SetRowEnabled(int row, bool enabled);
    void Chk_RemainClick();
    void Chk_DrawSketchClick();
    void Chk_DrawColorClick();
    void RequestUpdate();
    void DrawPreview();

    int last_[RowCount] = {};
    // Set while the preset is written into the controls, which then ask photo to icon for nothing.
    bool loadingPreset_ = false;
    TCartoonRender render_;
};
