// Selection tools, outline, Select All and Select None on a document's canvas.
#include "workspace/selection_controller.h"

#include <vector>

#include <QPainter>
#include <QPolygon>
#include <QWidget>

#include "model/selection.h"
#include "model/tool_ids.h"
#include "model/tools/selection_tool.h"
#include "workspace/peers.h"

namespace {

// Shows the outline's changes on the canvas and the readouts in the tools window.
class TCanvasSelectionHost : public TSelectionHost {
public:
    explicit TCanvasSelectionHost(QWidget* canvas) : canvas_(canvas) {}
    void OutlineChanged(const Rect& area) override
    {
        if (canvas_ && !area.IsEmpty()) canvas_->update(QRect(area.Left, area.Top, area.Width(), area.Height()));
    }
    void ShowSelection(int toolId, const Rect& bounds, const Bitmap24* colour, const Bitmap24* mask) override
    {
        const TToolsPeers& tools = ToolsPeers();
        const auto& show = toolId == tiLasso ? tools.ShowFreeSelection : tools.ShowRectSelection;
        if (show) show(bounds, colour, mask);
    }

private:
    QWidget* canvas_;
};

int CurrentTool()
{
    const auto& tool = DocumentPeers().CurrentToolId;
    return tool ? tool() : tiNone;
}

} // namespace

namespace SelectionController {

void ToolMouse(TDocumentModel& doc, QWidget* canvas, int toolId, int phase, int x, int y, Qt::MouseButtons buttons)
{
    TCanvasSelectionHost host(canvas);
    SelectionToolMouse(doc, host, toolId, phase, x, y, buttons.testFlag(Qt::LeftButton));
}

void PaintOutline(const TDocumentModel& doc, int currentTool, QPainter& painter)
{
    if (!IsSelectionTool(currentTool) || doc.PointCount <= 0) return;
    std::vector<Point> dots;
    SelectionOutlineDots(doc, dots);
    if (dots.empty()) return;
    QPolygon points(int(dots.size()));
    for (int i = 0; i < int(dots.size()); ++i) points.setPoint(i, dots[size_t(i)].X, dots[size_t(i)].Y);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A black pen merged as "destination or not pen" leaves every dot white.
    painter.setPen(QPen(Qt::white, 0));
    painter.drawPoints(points);
    painter.restore();
}

void SelectAll(TDocumentModel& doc, QWidget* canvas)
{
    TCanvasSelectionHost host(canvas);
    SelectAllShown(doc, host, CurrentTool());
}

void SelectNone(TDocumentModel& doc, QWidget* canvas)
{
    TCanvasSelectionHost host(canvas);
    SelectNoneShown(doc, host, CurrentTool());
}

} // namespace SelectionController
