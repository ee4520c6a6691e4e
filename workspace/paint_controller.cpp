// The document windows' painting: tool dispatch and the host the tools work through.
#include "workspace/paint_controller.h"

#include <QPainter>

#include "model/tool_ids.h"
#include "model/tool_settings.h"
#include "model/tools/text_tool.h"
#include "model/tools/tool_options.h"
#include "workspace/paint_surface.h"
#include "workspace/peers.h"

namespace {

// The tools' view of one document window and the windows around it.
class TDocumentHost final : public TToolHost {
public:
    explicit TDocumentHost(Tfrm_childwin& doc) : doc_(PaintSurfaceOf(doc)) {}

    TToolColors Colors() override
    {
        // Read at every event: the colour window holds the one painting colour.
        TToolColors colors;
        const TColorPeers& peers = ColorPeers();
        if (peers.GetColor) colors.Color = peers.GetColor();
        if (peers.GetAlphaColor) colors.AlphaColor = peers.GetAlphaColor();
        return colors;
    }
    void RenderRect(const Rect& canvasRect) override { doc_.RenderRect(canvasRect); }
    void RenderAll() override { doc_.RenderAll(); }
    void Release(const TReleaseSteps& steps) override
    {
        TDocumentModel& d = doc_.Document();
        TIconImageRec* f = d.CurrentImage();
        if (!f) return;
        if (!steps.Caption.isEmpty()) {
            if (const auto& snap = FramePeers().AddSnapshot) snap(f, steps.Caption);
            doc_.SetModified(true);
        }
        doc_.DrawFormatThumbnails();
        if (steps.Preview) {
            if (const auto& show = DocumentPeers().PreviewShowImage) show(&d.Images, d.CurrentIndex);
        }
        if (steps.AddHistory) {
            if (const auto& add = ColorPeers().AddToHistory) add(steps.HistoryColor);
        }
    }
    void PickColor(TColor value, int alpha) override
    {
        const TColorPeers& peers = ColorPeers();
        if (peers.SetColor) peers.SetColor(value);
        if (peers.SetAlpha) peers.SetAlpha(alpha);
    }
    void ShowPickedColour(TColor color, int alpha) override
    {
        if (const auto& show = ToolsPeers().ShowPickedColour) show(color, alpha);
    }
    void ShowBucketPreview(const Bitmap24& bitmap, const Bitmap24& mask, const TIconImageRec& format) override
    {
        if (const auto& show = ToolsPeers().ShowBucketPreview) show(bitmap, mask, SizeRect(format.Width, format.Height));
    }
    void ShowTextPlacement(int x, int y, int angle, int height, int width) override
    {
        if (const auto& show = ToolsPeers().SetTextPlacement) show(x, y, angle, height, width);
    }

private:
    TPaintSurface& doc_;
};

} // namespace

TPaintController::TPaintController(QObject* parent) : QObject(parent)
{
    TDocumentPeers& peers = DocumentPeers();
    peers.ToolMouse = [this](Tfrm_childwin& doc, int toolId, int phase, int x, int y, Qt::MouseButtons buttons,
                             Qt::KeyboardModifiers modifiers) { ToolMouse(doc, toolId, phase, x, y, buttons, modifiers); };
    peers.StartTextFrame = [this](Tfrm_childwin& doc) { StartTextFrame(doc); };
    peers.PlaceTextFrame = [this](Tfrm_childwin& doc) { PlaceTextFrame(doc); };
    peers.SetTextFrame = [this](Tfrm_childwin& doc, int x, int y, int angle, int height, int width) {
        SetTextFrame(doc, x, y, angle, height, width);
    };
    peers.PaintToolOverlay = [this](Tfrm_childwin& doc, QPainter& painter) { PaintToolOverlay(doc, painter); };
}

TPaintController::~TPaintController()
{
    TDocumentPeers& peers = DocumentPeers();
    peers.ToolMouse = nullptr;
    peers.StartTextFrame = nullptr;
    peers.PlaceTextFrame = nullptr;
    peers.SetTextFrame = nullptr;
    peers.PaintToolOverlay = nullptr;
}

TPaintController::TDocumentTools& TPaintController::ToolsOf(Tfrm_childwin& doc)
{
    auto it = tools_.find(&doc);
    if (it != tools_.end()) return *it->second;
    const Tfrm_childwin* key = &doc;
    connect(PaintSurfaceOf(doc).SurfaceObject(), &QObject::destroyed, this, [this, key] { tools_.erase(key); });
    return *tools_.emplace(key, std::make_unique<TDocumentTools>()).first->second;
}

void TPaintController::ToolMouse(Tfrm_childwin& doc, int toolId, int phase, int x, int y, Qt::MouseButtons buttons,
                                 Qt::KeyboardModifiers /*modifiers*/)
{
    TDocumentTools& tools = ToolsOf(doc);
    TDocumentHost host(doc);
    // Only the left button drags; any button presses and releases.
    const TToolEvent e{phase, x, y, buttons.testFlag(Qt::LeftButton)};
    switch (toolId) {
    case tiText:
        TextTool(PaintSurfaceOf(doc).Document(), tools.TextFrame, host, TextOptionsOf(ToolSettings()), e);
        break;
    default:
        tools.Session.Mouse(PaintSurfaceOf(doc).Document(), host, toolId, phase, x, y, e.Left, PaintOptionsOf(ToolSettings()));
        break;
    }
}

void TPaintController::StartTextFrame(Tfrm_childwin& doc)
{
    TDocumentHost host(doc);
    ::StartTextFrame(PaintSurfaceOf(doc).Document(), ToolsOf(doc).TextFrame, host, TextOptionsOf(ToolSettings()));
}

void TPaintController::PlaceTextFrame(Tfrm_childwin& doc)
{
    ::PlaceTextFrame(PaintSurfaceOf(doc).Document(), ToolsOf(doc).TextFrame);
}

void TPaintController::SetTextFrame(Tfrm_childwin& doc, int x, int y, int angle, int height, int width)
{
    TDocumentHost host(doc);
    ::SetTextFrame(PaintSurfaceOf(doc).Document(), ToolsOf(doc).TextFrame, host, TextOptionsOf(ToolSettings()), x, y, angle, height,
                   width);
}

void TPaintController::PaintToolOverlay(Tfrm_childwin& doc, QPainter& painter)
{
    auto it = tools_.find(&doc);
    if (it == tools_.end()) return;
    it->second->Session.PaintOutline(PaintSurfaceOf(doc).Document(), painter);
    if (PaintSurfaceOf(doc).Document().LastTool == tiText) it->second->TextFrame.Draw(painter, QColor(Qt::white));
}
