#pragma once
// "Gradient Color": the editor of the gradient the rectangle and ellipse tools fill with. A
// 512-pixel bar shows the gradient of the enabled handles; the seven handles under it are dragged,
// toggled on their lower box and recoloured by a double click on their colour box. Three presets
// can be applied and the gradient mirrored. Made once at start-up; the tools window runs it
// modally through ToolsPeers().EditGradient and reads Nodes after OK. The handles live in
// TGradientEditorModel and stay from one showing to the next; Cancel keeps what was changed.
#include <QComboBox>
#include <QWidget>
#include <array>

#include "imaging/paint.h"
#include "model/tool_settings_gradient.h"
#include "platform/bitmap24.h"
#include "platform/ui/owner_drawn_combo.h"
#include "workspace/base_form.h"

class QCheckBox;
class QLabel;
class QPushButton;
class TColorSwatch;
class TSpinEdit;
class Tfrm_GradientColor;

// The handle pictures, in this order: enabled, enabled and selected, disabled, disabled and
// selected, and the mask (black where a handle covers the bar, white elsewhere). The pictures are
// black outside the handle, so a handle is laid on the bar as (bar AND mask) OR picture.
enum TGradientSprite : int { gsEnabled, gsEnabledSelected, gsDisabled, gsDisabledSelected, gsMask, gsCount };
const std::array<Bitmap24, gsCount>& GradientHandleSprites();
// Lays handle H on Target: its sprite by state, then, when enabled, its colour box in its colour.
void DrawGradientHandle(const TGradientHandle& h, Bitmap24& target);

// The paint box of the bar: shows the form's bar bitmap and passes the mouse on to the form.
class TGradientBox : public QWidget {
    Q_OBJECT
public:
    TGradientBox(Tfrm_GradientColor* form, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Tfrm_GradientColor* form_;
};

// The preset list: every item, and the closed box, shows its preset's gradient instead of a text.
class TPresetCombo : public TOwnerDrawnCombo {
    Q_OBJECT
public:
    static constexpr int ItemHeight = 15;
    TPresetCombo(Bitmap24* presetBitmap, QWidget* parent);
    // Draws item Index into Rect: red behind when focused, else white, and the preset's enabled
    // nodes as a gradient in the rectangle 4 pixels in from the sides and 3 from top and bottom.
    static void DrawItem(QPainter& painter, const QRect& rect, int index, bool focused, Bitmap24& presetBitmap);

protected:
    void paintEvent(QPaintEvent* event) override;
    QAbstractItemDelegate* MakeItemDelegate() override;

private:
    Bitmap24* presetBitmap_;
};

class Tfrm_GradientColor : public Tfrm_base {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 563;
    static constexpr int ClientHeight = 234;
    // Kinds of MouseAction.
    enum TMouseKind { mkDown, mkMove, mkUp };

    explicit Tfrm_GradientColor(QWidget* parent = nullptr);
    ~Tfrm_GradientColor() override;

    // Handles, selection and the mouse state.
    TGradientEditorModel Model;
    // What PaintBox1 shows, and where the preset items are drawn.
    Bitmap24 BarBitmap;
    Bitmap24 PresetBitmap;
    // The result: the enabled handles, sorted by position at every redraw.
    TNodeArray Nodes;

    // Runs the editor modally over Owner (may be null); on OK Nodes is copied to nodes and true
    // returned.
    bool Execute(QWidget* owner, TNodeArray& nodes);

    void Redraw();
    void SelectHandle(int i);
    void MouseAction(TMouseKind kind, int x, int y, Qt::MouseButtons buttons);
    void PaintBox1DblClick();

    void setVisible(bool visible) override;

    // ---- handlers ----
    void spn_HandleNoChange();
    void spn_PositionChange();
    void chk_HandleEnabledClick();
    void img_HandleColorClick();
    void BitBtn3Click();
    void BitBtn4Click();

    // ---- controls ----
    QWidget* Panel1 = nullptr;
    TPresetCombo* ComboBox1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    TGradientBox* PaintBox1 = nullptr;
    QWidget* Panel2 = nullptr;
    TSpinEdit* spn_HandleNo = nullptr;
    TSpinEdit* spn_Position = nullptr;
    TColorSwatch* img_HandleColor = nullptr;
    QCheckBox* chk_HandleEnabled = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

private:
    // Set while the window itself writes its controls, so their handlers stay quiet.
    bool syncing_ = false;
};

// The one gradient editor while it exists.
extern Tfrm_GradientColor* frm_GradientColor;
