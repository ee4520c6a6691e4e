#pragma once
// The painting side of the document windows: it turns the canvas's mouse events into the work of
// the current tool on the active document's current format, keeps each document's painting state
// (the tools' session and the text frame) for as long as the window lives, and stands between the
// tools and the windows around them: the history, the preview, the colour and the tools windows.
// It is no window: app/ makes one as a child of the main window, and it serves every document window
// through the document peers (ToolMouse, StartTextFrame, PlaceTextFrame, SetTextFrame,
// PaintToolOverlay), reading the tool options and colours afresh at each event.
//
//     auto controller = std::make_unique<TPaintController>();  // fills the peers
//     ... documents paint ...
//     controller.reset();                                      // empties them
#include <memory>
#include <unordered_map>

#include <QObject>
#include <Qt>

#include "model/rotate_frame.h"
#include "model/tools/tool_session.h"

class QPainter;
class Tfrm_childwin;

class TPaintController : public QObject {
public:
    // The painting state of one document window.
    struct TDocumentTools {
        TToolSession Session;
        TRotateFrame TextFrame;
    };

    explicit TPaintController(QObject* parent = nullptr);
    ~TPaintController() override;
    TPaintController(const TPaintController&) = delete;
    TPaintController& operator=(const TPaintController&) = delete;

    // A canvas mouse event (phase: TMousePhase; x, y: canvas pixels) for the tool toolId.
    void ToolMouse(Tfrm_childwin& doc, int toolId, int phase, int x, int y, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers);
    // The text tool was chosen: a frame opens over the current format with the tools window's text.
    void StartTextFrame(Tfrm_childwin& doc);
    // The zoom changed: the open frame is laid over the text again.
    void PlaceTextFrame(Tfrm_childwin& doc);
    // The tools window's placement fields: the open frame and its text move there.
    void SetTextFrame(Tfrm_childwin& doc, int x, int y, int angle, int height, int width);
    // The brush outline and the text frame over the canvas.
    void PaintToolOverlay(Tfrm_childwin& doc, QPainter& painter);

    // The document's painting state, made on first use and freed with the window.
    TDocumentTools& ToolsOf(Tfrm_childwin& doc);

private:
    std::unordered_map<const Tfrm_childwin*, std::unique_ptr<TDocumentTools>> tools_;
};
