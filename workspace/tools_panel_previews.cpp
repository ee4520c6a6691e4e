// The tools window's previews: footprints, line and text previews, the shape pages' refresh and
// the readouts the document window sends. The pixels are composed by model/tool_previews; this
// file picks the inputs (options, colours, colour types) and shows the results.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPalette>
#include <QToolButton>

#include "platform/ui/spin_edit.h"
#include "workspace/peers.h"
#include "workspace/tools_panel.h"

TColor Tfrm_tools_panel::FaceColor() const { return FromQColor(palette().color(QPalette::Button)); }

void Tfrm_tools_panel::RefreshToolPreview()
{
    switch (ToolSettings().ToolId) {
    case tiPencil:
    case tiBrush: DrawFootprintPreview(ToolSettings().ToolId); break;
    case tiText: DrawTextPreview(); break;
    case tiRectangle: DrawRectPreview(); break;
    case tiEllipse: DrawEllipsePreview(); break;
    case tiLine: DrawLinePreview(); break;
    default: break;
    }
}

TPreviewWork& Tfrm_tools_panel::Work()
{
    if (!work_) work_ = std::make_unique<TPreviewWork>();
    return *work_;
}

void Tfrm_tools_panel::DrawFootprintPreview(int toolId)
{
    Bitmap24 image;
    ::DrawFootprintPreview(Work(), toolId, ToolSettings(), PreviewColors(), image);
    SetPicture(toolId == tiBrush ? img_Brush : (toolId == tiEraser ? img_Eraser : img_pencil), image);
}

void Tfrm_tools_panel::DrawLinePreview()
{
    Bitmap24 image;
    ::DrawLinePreview(Work(), ToolSettings(), PreviewColors(), image);
    SetPicture(img_Line, image);
}

void Tfrm_tools_panel::DrawTextPreview()
{
    Bitmap24 image;
    ::DrawTextPreview(Work(), ToolSettings(), PreviewColors(), FaceColor(), image);
    SetPicture(img_text, image);
}

void Tfrm_tools_panel::DrawRectPreview() { RefreshShapePage(rect_); }

void Tfrm_tools_panel::DrawEllipsePreview() { RefreshShapePage(ellipse_); }

void Tfrm_tools_panel::RefreshShapePage(TShapePageControls& c)
{
    const TPreviewColors colors = PreviewColors();
    const TShapePageLayout layout = ToolSettings().RefreshShapePage(c.Page, colors.PanelColorType, colors.Color);
    // The rules may have turned options back: the controls show what holds now.
    ShowShapeSettings(c);
    c.Gradient->setVisible(layout.GradientBoxVisible);
    c.Swatch->setVisible(layout.SwatchVisible);
    for (int i = 0; i < 4; ++i) c.Styles[i]->setVisible(layout.StylesVisible);
    c.Border->setVisible(layout.BorderVisible);
    c.BorderLabel->setVisible(layout.BorderVisible);

    Bitmap24 swatch, preview;
    DrawShapeSwatch(Work(), c.Page, ToolSettings(), colors, font(), swatch);
    SetPicture(c.Swatch, swatch);
    DrawShapePreview(Work(), c.Page, ToolSettings(), colors, preview);
    SetPicture(c.Preview, preview);
}

void Tfrm_tools_panel::ShowSelection(QLabel* image, QLabel* const labels[4], const Rect& bounds, const Bitmap24* color,
                                     const Bitmap24* mask)
{
    if (!color || !mask) {
        // No selection: the picture is cleared, the numbers stay.
        if (color || mask) return;
        Bitmap24 empty(ThumbnailSize, ThumbnailSize);
        empty.Fill(FromQColor(palette().color(QPalette::Window)));
        SetPicture(image, empty);
        return;
    }
    Bitmap24 thumb;
    // The selection bitmaps hold display colours already: no palette.
    const Rect source = SizeRect(bounds.Right - bounds.Left, bounds.Bottom - bounds.Top);
    if (!DrawThumbnail(Work(), *color, *mask, source, nullptr, FaceColor(), thumb)) return;
    const TSelectionLabels text = SelectionLabels(bounds);
    labels[0]->setText(text.X);
    labels[1]->setText(text.Y);
    labels[2]->setText(text.W);
    labels[3]->setText(text.H);
    for (int i = 0; i < 4; ++i) labels[i]->adjustSize();
    SetPicture(image, thumb);
}

void Tfrm_tools_panel::ClearSelectionReadouts()
{
    QLabel* const labels[8] = {lbl_RectSelectX, lbl_RectSelectY, lbl_RectSelectW, lbl_RectSelectH,
                               lbl_FreeSelectX, lbl_FreeSelectY, lbl_FreeSelectW, lbl_FreeSelectH};
    for (int i = 0; i < 8; ++i) {
        labels[i]->setText(QStringLiteral("%1:").arg(QLatin1Char("XYWH"[i % 4])));
        labels[i]->adjustSize();
    }
    ShowRectSelection(Rect{}, nullptr, nullptr);
    ShowFreeSelection(Rect{}, nullptr, nullptr);
}

void Tfrm_tools_panel::ShowRectSelection(const Rect& bounds, const Bitmap24* color, const Bitmap24* mask)
{
    QLabel* const labels[4] = {lbl_RectSelectX, lbl_RectSelectY, lbl_RectSelectW, lbl_RectSelectH};
    ShowSelection(img_RectSelect, labels, bounds, color, mask);
}

void Tfrm_tools_panel::ShowFreeSelection(const Rect& bounds, const Bitmap24* color, const Bitmap24* mask)
{
    QLabel* const labels[4] = {lbl_FreeSelectX, lbl_FreeSelectY, lbl_FreeSelectW, lbl_FreeSelectH};
    ShowSelection(img_FreeSelect, labels, bounds, color, mask);
}

void Tfrm_tools_panel::ShowBucketPreview(const Bitmap24& color, const Bitmap24& mask, const Rect& rect)
{
    Bitmap24 thumb;
    if (DrawThumbnail(Work(), color, mask, rect, PreviewColors().Palette, FaceColor(), thumb)) SetPicture(img_bucket, thumb);
}

void Tfrm_tools_panel::ShowPickedColour(TColor color, int alpha)
{
    const TPickerLabels text = PickedColourLabels(color, alpha);
    lbl_dropperR->setText(text.R);
    lbl_dropperG->setText(text.G);
    lbl_dropperB->setText(text.B);
    lbl_dropperA->setText(text.A);
    Bitmap24 swatch;
    DrawPickedColour(color, alpha, swatch);
    SetPicture(img_dropper, swatch);
}
