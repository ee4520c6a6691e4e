#pragma once
// The floating "Tools" window: the eleven tool buttons, the cell readout under them and one option
// page per tool (plus a welcome page) whose selectors are hidden, so only the tool buttons switch
// pages. The current tool and every option live in ToolSettings() (model/tool_settings.h), which
// the painting tools read live at each mouse event; this window shows and edits it, applies the
// palette formats' refusals with their messages, and draws the previews of model/tool_previews.h.
//
// It offers itself to the other windows through ToolsPeers() (previews, readouts, text placement)
// and the tools entries of DocumentPeers() (current tool, format announcements, leaving the text
// tool, the cell readout), and empties them when it goes. It reaches the main window through
// FramePeers() and the colour window through ColorPeers().
//
// The window's own files: tools_panel.cpp (controls, tool buttons, option handlers, peers),
// tools_panel_previews.cpp (previews, shape pages, readouts).
#include <QComboBox>
#include <utility>
#include <memory>
#include <vector>

#include "model/tool_previews.h"
#include "model/tool_settings.h"
#include "platform/bitmap24.h"
#include "platform/ui/owner_drawn_combo.h"
#include "workspace/base_form.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TSpinEdit;
class TTrackBar;

// The shape-type combo of a shape page: items "0", "1", "2" drawn as the shape they stand for.
class TShapeTypeCombo : public TOwnerDrawnCombo {
    Q_OBJECT
public:
    static constexpr int ItemHeight = 30;
    TShapeTypeCombo(bool ellipse, QWidget* parent);
    // Draws item Index into Rect: 0xEEEEEE behind it when it has the focus, else white, the shape
    // in a centred square of side min(width, height) - 10.
    void DrawItem(QPainter& painter, const QRect& rect, int index, bool focused) const;
    bool Ellipse() const { return ellipse_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    QAbstractItemDelegate* MakeItemDelegate() override;

private:
    bool ellipse_;
};

class Tfrm_tools_panel : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 184;
    static constexpr int ClientHeight = 474;

    explicit Tfrm_tools_panel(QWidget* parent = nullptr);
    ~Tfrm_tools_panel() override;

    // ---- services (also offered through the peers) ----
    int ToolId() const { return ToolSettings().ToolId; }
    void ActiveImageChanged(const void* document, int index, int32_t colorType);
    void ShowToolPage(int toolId);
    void SetTextPlacement(int x, int y, int angle, int height, int width);
    void EndTextTool();
    void ApplyTextPlacement();
    void ShowCell(int cellX, int cellY);
    // Previews.
    void RefreshToolPreview();
    void DrawFootprintPreview(int toolId);
    void DrawLinePreview();
    void DrawTextPreview();
    void DrawRectPreview();
    void DrawEllipsePreview();
    void ShowRectSelection(const Rect& bounds, const Bitmap24* color, const Bitmap24* mask);
    void ShowFreeSelection(const Rect& bounds, const Bitmap24* color, const Bitmap24* mask);
    void ShowBucketPreview(const Bitmap24& color, const Bitmap24& mask, const Rect& rect);
    void ShowPickedColour(TColor color, int alpha);

    // The page shown (one of the tab_ pages).
    QWidget* CurrentPage() const;
    // The pictures as last drawn (what the page's image shows).
    const Bitmap24& PreviewOf(const QLabel* image) const;

    // ---- controls ----
    QToolButton* btn_RectSelect = nullptr;
    QToolButton* btn_FreeSelect = nullptr;
    QToolButton* btn_pencil = nullptr;
    QToolButton* btn_brush = nullptr;
    QToolButton* btn_Dropper = nullptr;
    QToolButton* btn_eraser = nullptr;
    QToolButton* btn_bucket = nullptr;
    QToolButton* btn_Text = nullptr;
    QToolButton* btn_Rect = nullptr;
    QToolButton* btn_Ellipse = nullptr;
    QToolButton* btn_Line = nullptr;
    QLabel* pan_XY = nullptr;
    QTabWidget* pgc_Tools = nullptr;

    QWidget* tab_pencil = nullptr;
    QWidget* tab_brush = nullptr;
    QWidget* tab_eraser = nullptr;
    QWidget* tab_bucket = nullptr;
    QWidget* tab_dropper = nullptr;
    QWidget* tab_line = nullptr;
    QWidget* tab_text = nullptr;
    QWidget* tab_rect = nullptr;
    QWidget* tab_ellipse = nullptr;
    QWidget* tab_welcome = nullptr;
    QWidget* tab_RectSelect = nullptr;
    QWidget* tab_FreeSelect = nullptr;

    QLabel* img_pencil = nullptr;
    QLabel* img_Brush = nullptr;
    QLabel* img_Eraser = nullptr;
    QLabel* img_bucket = nullptr;
    QLabel* img_dropper = nullptr;
    QLabel* img_Line = nullptr;
    QLabel* img_text = nullptr;
    QLabel* img_Rect = nullptr;
    QLabel* img_Ellipse = nullptr;
    QLabel* img_RectGradient = nullptr;
    QLabel* img_EllipseGradient = nullptr;
    QLabel* img_RectSelect = nullptr;
    QLabel* img_FreeSelect = nullptr;
    QLabel* img_welcome = nullptr;

    TTrackBar* trc_PencilSize = nullptr;
    TTrackBar* trc_BrushSize = nullptr;
    TTrackBar* trc_BrushGradient = nullptr;
    TTrackBar* trc_EraserSize = nullptr;
    TTrackBar* trc_BucketTolerance = nullptr;
    TTrackBar* trc_LineSize = nullptr;
    TSpinEdit* spn_PencilSize = nullptr;
    TSpinEdit* spn_BrushSize = nullptr;
    TSpinEdit* spn_BrushGradient = nullptr;
    TSpinEdit* spn_EraserSize = nullptr;
    TSpinEdit* spn_BucketTolerance = nullptr;
    TSpinEdit* spn_LineSize = nullptr;

    QLabel* lbl_dropperR = nullptr;
    QLabel* lbl_dropperG = nullptr;
    QLabel* lbl_dropperB = nullptr;
    QLabel* lbl_dropperA = nullptr;
    QLabel* lbl_RectSelectX = nullptr;
    QLabel* lbl_RectSelectY = nullptr;
    QLabel* lbl_RectSelectW = nullptr;
    QLabel* lbl_RectSelectH = nullptr;
    QLabel* lbl_FreeSelectX = nullptr;
    QLabel* lbl_FreeSelectY = nullptr;
    QLabel* lbl_FreeSelectW = nullptr;
    QLabel* lbl_FreeSelectH = nullptr;

    QCheckBox* chk_LineAntiAliase = nullptr;
    QLineEdit* edt_TextText = nullptr;
    QPushButton* btn_Font = nullptr;
    TSpinEdit* spn_TextX = nullptr;
    TSpinEdit* spn_TextY = nullptr;
    TSpinEdit* spn_TextW = nullptr;
    TSpinEdit* spn_TextH = nullptr;
    TSpinEdit* spn_TextAngle = nullptr;
    QCheckBox* chk_TextAntiAliase = nullptr;

    TShapeTypeCombo* cmb_RectType = nullptr;
    QCheckBox* chk_RectAntiAliasing = nullptr;
    QLabel* lbl_RectBorderSize = nullptr;
    TSpinEdit* spn_RectBorderSize = nullptr;
    TSpinEdit* spn_RectRound = nullptr;
    QCheckBox* chk_RectGradient = nullptr;
    QToolButton* btn_RectStyle[4] = {};
    TShapeTypeCombo* cmb_EllipseType = nullptr;
    QLabel* lbl_EllipseBorderSize = nullptr;
    TSpinEdit* spn_EllipseBorderSize = nullptr;
    QCheckBox* chk_EllipseAntiAliasing = nullptr;
    QCheckBox* chk_EllipseGradient = nullptr;
    QToolButton* btn_EllipseStyle[4] = {};

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One shape page's controls, so that both pages share one set of handlers.
    struct TShapePageControls {
        TShapePage Page = spRect;
        TShapeTypeCombo* Type = nullptr;
        QCheckBox* AntiAlias = nullptr;
        QLabel* BorderLabel = nullptr;
        TSpinEdit* Border = nullptr;
        TSpinEdit* Round = nullptr;
        QCheckBox* Gradient = nullptr;
        QLabel* Swatch = nullptr;
        QLabel* Preview = nullptr;
        QToolButton** Styles = nullptr;
        QButtonGroup* StyleGroup = nullptr;
    };

    void CreateControls();
    void CreateToolButtons();
    void CreateStrokePages();
    void CreateReadoutPages();
    void CreateTextPage();
    void CreateShapePage(TShapePageControls& c, QWidget* page, const QString& suffix);
    void CreateWelcomePage();
    QWidget* AddPage(const QString& name, const QString& title);
    QLabel* AddPicture(QWidget* page, const QString& name, const QRect& geometry, bool sunken);
    void RegisterPeers();
    void UnregisterPeers();
    void ShowPage(QWidget* page);
    // Shows a bitmap in a page's picture and keeps it as that picture's last drawing.
    void SetPicture(QLabel* image, const Bitmap24& bitmap);

    // Tool buttons.
    void ToolButtonClick(QToolButton* button, int id);
    void RaiseOtherButtons(QToolButton* down);
    // The text-editing lock of the main window.
    static void SetTextEditing(bool on);
    static void CallToolChanged();
    static void CallPaletteChanged();
    static int32_t ActiveColorType();
    // The colour window's colour type, which the shape pages ask.
    static int32_t PanelColorType();
    static TPreviewColors PreviewColors();

    // Track bar and spin edit pairs.
    void TrackChanged(TToolTrack track);
    void TrackSpinChanged(TToolTrack track);
    TTrackBar* TrackBarOf(TToolTrack track) const;
    TSpinEdit* TrackSpinOf(TToolTrack track) const;
    void RedrawTrackPreview(TToolTrack track);

    // Options.
    void chk_LineAntiAliaseClick(bool checked);
    void chk_TextAntiAliaseClick(bool checked);
    void edt_TextTextChange();
    void btn_FontClick();
    // The type combo, Gradient box or Anti-Aliasing box of a shape page changed to Value.
    void ShapeOptionChanged(TShapePageControls& c, TOptionControl control, int value);
    void ShapeSpinChange(TShapePageControls& c, TSpinEdit* spin);
    void ShapeStyleClick(TShapePageControls& c, int style);
    void ShapeSwatchClick(TShapePageControls& c);
    // Shows a refusal's message, when it has one.
    void ShowRefusal(const TRefusal& refusal);
    // The page refresh: option rules, layout, swatch and preview.
    void RefreshShapePage(TShapePageControls& c);
    // Puts the settings' values into the controls without running their handlers.
    void ShowSettings();
    void ShowShapeSettings(const TShapePageControls& c);
    void ShowSelection(QLabel* image, QLabel* const labels[4], const Rect& bounds, const Bitmap24* color,
                       const Bitmap24* mask);
    // A format made current has no selection: the selection pages show none, numbers blank.
    void ClearSelectionReadouts();
    TColor FaceColor() const;

    TShapePageControls rect_;
    TShapePageControls ellipse_;
    // The previews' working bitmaps, made by the first preview drawn (none is drawn at start).
    std::unique_ptr<TPreviewWork> work_;
    TPreviewWork& Work();
    // What each picture shows, by picture.
    std::vector<std::pair<const QLabel*, Bitmap24>> pictures_;
    bool peersRegistered_ = false;
    bool firstShowDone_ = false;
};

extern Tfrm_tools_panel* frm_tools_panel;
