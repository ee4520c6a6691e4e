#pragma once
// The floating "Colors" window: where the user chooses the colour and alpha every painting tool
// paints with, on a saturation/value square and hue bar, by HSV, RGB and alpha sliders, an HTML
// code, a library of 23 colours or the history of painted colours; in the palette colour types a
// grid of the format's palette replaces the square, and moving the sliders edits the selected entry.
//
// The state and its rules are TColorPanelModel's; this window shows it, turns presses and slider
// moves into model calls, and offers the model to the other windows as the colour peers
// (ColorPeers(), DocumentPeers().GetPanelPalette / SetPanelColorType). A 20 ms timer applies the
// changes: any number of slider moves between two ticks repaint once.
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "model/color_panel_model.h"
#include "platform/bitmap24.h"
#include "workspace/base_form.h"

class QLabel;
class QLineEdit;
class QTabWidget;
class TSpinEdit;
class TTrackBar;

// A picture control: shows a bitmap stretched over its rectangle and reports left-button presses
// and drags in its own coordinates (also outside it while the button is held).
class TImageBox : public QWidget {
    Q_OBJECT
public:
    explicit TImageBox(QWidget* parent = nullptr);
    // Shows the bitmap stretched over the box; black becomes see-through when keyBlack is set.
    void SetPicture(const Bitmap24& bitmap, bool keyBlack = false);
    const QImage& Picture() const { return picture_; }

signals:
    void MouseAt(QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

class Tfrm_color_panel : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 211;
    static constexpr int ClientHeight = 487;

    explicit Tfrm_color_panel(QWidget* parent = nullptr);
    ~Tfrm_color_panel() override;

    // ---- services (also offered as ColorPeers()) ----
    TColor GetColor() const { return model_.GetColor(); }
    TColor GetAlphaColor() const { return model_.GetAlphaColor(); }
    int32_t GetColorType() const { return model_.ColorType; }
    const TPalette* GetPalette() const { return model_.CurrentPalette; }
    void SetColorType(const TPalette& palette, int32_t colorType);
    void SetColor(TColor value);
    void SetAlpha(int value);
    void AddToHistory(TColor color);

    const TColorPanelModel& Model() const { return model_; }
    // How many colour changes the timer has applied (each one repaints square, preview and document).
    int ColorChangedCount() const { return colorChangedCount_; }
    // The timer's handler; tests call it to stand for a tick.
    void tmr_reDrawTimer();

    QTabWidget* pgc_Color = nullptr;
    TImageBox* img_svArea = nullptr;
    TImageBox* img_cross = nullptr;
    TImageBox* img_hArea = nullptr;
    TImageBox* img_arrow = nullptr;
    TImageBox* img_Palette = nullptr;
    TImageBox* img_A = nullptr;
    TImageBox* img_lib = nullptr;
    TImageBox* img_HistoryArea = nullptr;
    TImageBox* img_color = nullptr;
    QLabel* lab_html = nullptr;
    QLineEdit* edt_htmlCode = nullptr;
    TTrackBar* trc_H = nullptr;
    TTrackBar* trc_S = nullptr;
    TTrackBar* trc_V = nullptr;
    TTrackBar* trc_R = nullptr;
    TTrackBar* trc_G = nullptr;
    TTrackBar* trc_B = nullptr;
    TTrackBar* trc_A = nullptr;
    TSpinEdit* spn_H = nullptr;
    TSpinEdit* spn_S = nullptr;
    TSpinEdit* spn_V = nullptr;
    TSpinEdit* spn_R = nullptr;
    TSpinEdit* spn_G = nullptr;
    TSpinEdit* spn_B = nullptr;
    TSpinEdit* spn_A = nullptr;
    QLabel* lab_A = nullptr;
    QTimer tmr_reDraw;

    // Bitmaps behind the square, the hue bar, the palette grid, the library, the history, the
    // transparent button and the preview, as last drawn.
    const Bitmap24& SVBitmap() const { return SVBitmap_; }
    const Bitmap24& PaletteBitmap() const { return paletteBitmap_; }
    const Bitmap24& PreviewBitmap() const { return PreviewBitmap_; }
    const Bitmap24& HistoryBitmap() const { return historyBitmap_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    TTrackBar* TrackRow(const QString& letter, int max, int value, int y, TSpinEdit*& spin, QLabel** label = nullptr);
    void RegisterPeers();
    // A track bar moved: the model takes it, and the track bars it changed follow.
    void TrackChanged(TColorPanelModel::TChannel channel, TTrackBar* track);
    // Sets every track bar to the model's positions (their handlers see equal values and pass).
    void ShowPositions();
    void ColorChanged(const TColorPanelModel::TTick& tick);
    void PlaceMarkers();
    void DrawSVArea(int hue);
    void DrawPalette();
    void DrawPaletteCell(int index);
    void MarkPaletteSelection();
    void DrawHistory();
    void ClearHistory();
    void DrawHistoryCell(int index, bool marked);
    void InitColorLibrary();
    void DrawTransparentButton();
    void DrawColorPreview();
    void ShowMode();
    void CallPaletteChanged();

    void img_svAreaMouse(QPoint p);
    void img_hAreaMouse(QPoint p);
    void img_PaletteMouse(QPoint p);
    void img_libMouse(QPoint p);
    void img_HistoryAreaMouse(QPoint p);
    void img_AClick();
    void edt_htmlCodeChange();
    void pgc_ColorChange(int page);

    TColorPanelModel model_;
    Bitmap24 SVBitmap_{256, 256};
    Bitmap24 HueBitmap_{60, 360};
    Bitmap24 PreviewBitmap_{43, 43};
    Bitmap24 paletteBitmap_{192, 192};
    Bitmap24 libBitmap_{193, 209};
    Bitmap24 historyBitmap_{193, 209};
    Bitmap24 transparentBitmap_{193, 15};
    int DrawnHue = -1;
    int colorChangedCount_ = 0;
    // Set only while a change that wrote one of the palette entries is being reported.
    bool paletteEdited_ = false;
    bool showing_ = false;
};

// The one colour window while it exists.
extern Tfrm_color_panel* frm_color_panel;
