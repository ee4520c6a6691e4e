#pragma once
// The text tool: a text stamp laid over the current format inside a frame that moves, scales and
// turns it. The frame opens when the tool is chosen (the format is backed up then); every change
// of the frame renders the text again over the backups; the document window commits the result
// as one step or discards it. Sizes and the centre are image pixels; the frame itself works in
// canvas pixels (image pixels times the zoom).
#include <QFont>
#include <QSize>
#include <QString>

#include "model/document_model.h"
#include "model/rotate_frame.h"
#include "model/tools/tool_host.h"
#include "model/tools/tool_session.h"

// The text and how it is drawn, as the tools window's text page has them at the event.
struct TTextOptions {
    QString Text;
    QFont Font;
    bool AntiAlias = false;
};

// Largest side of the text box the stamp is rendered at; the tools window's fields stop there.
constexpr int MaxTextSide = 1000;

// The text box a new frame gets on a format of that size: the text's width (plus the font size
// when italic, else plus one) and one and a half times its height, both scaled up on formats
// wider or taller than 80 pixels. Never smaller than 1 x 1.
QSize TextBlockSize(const QString& text, const QFont& font, int formatWidth, int formatHeight);

// The frame's corners p1 and p3 in canvas pixels for a box of centre (x, y), angle in degrees,
// height h and width w (image pixels) at the zoom: the box's corners turned about its centre.
void TextFrameCorners(int x, int y, int angle, int h, int w, int zoom, TFramePoint& p1, TFramePoint& p3);

// Places the frame over the document's text box (TextX, TextY, TextW, TextH, TextAngle) at the
// document's zoom, as after a zoom change; the pixels stay as they are.
void PlaceTextFrame(TDocumentModel& doc, TRotateFrame& frame);

// Opens a frame over the current format: backups taken, the box sized from the text and centred,
// angle 0, the text rendered.
void StartTextFrame(TDocumentModel& doc, TRotateFrame& frame, TToolHost& host, const TTextOptions& options);

// The format restored from the backups with the text stamped over it at the box's place; the
// canvas drawn again and the box's place shown in the tools window.
void RenderText(TDocumentModel& doc, TToolHost& host, const TTextOptions& options);

// The tools window's placement fields: the box takes centre (x, y), angle, height and width, the
// frame follows it and the text is rendered again.
void SetTextFrame(TDocumentModel& doc, TRotateFrame& frame, TToolHost& host, const TTextOptions& options, int x,
                  int y, int angle, int h, int w);

// A canvas mouse event while the text tool is current: the frame takes it, and a drag of one of
// its handles moves, scales or turns the text. The release refreshes the strip, the preview and
// the colour history, with no step. Nothing happens while no frame is open.
void TextTool(TDocumentModel& doc, TRotateFrame& frame, TToolHost& host, const TTextOptions& options,
              const TToolEvent& e);
