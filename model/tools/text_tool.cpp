// The text tool's frame and stamp.
#include "model/tools/text_tool.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QFontMetrics>

#include "imaging/imaging_state.h"
#include "imaging/paint.h"
#include "model/tool_ids.h"
#include "platform/rounding.h"

namespace {

bool FrameOpen(const TDocumentModel& doc)
{
    const TIconImageRec* f = doc.CurrentImage();
    return doc.LastTool == tiText && f && f->Bitmap && f->Mask;
}

int SideOf(int value) { return std::clamp(value, 1, MaxTextSide); }

} // namespace

QSize TextBlockSize(const QString& text, const QFont& font, int formatWidth, int formatHeight)
{
    // The text is measured as a 96 dpi bitmap's canvas draws it.
    const int points = FontPoints(font);
    QFont f(font);
    f.setPixelSize(std::max(1, PointsToPixels(points)));
    const QFontMetrics metrics(f);
    const int textWidth = std::max(0, metrics.horizontalAdvance(text));
    const int textHeight = std::max(1, metrics.height());
    int w = textWidth + (f.italic() ? points : 1);
    int h = textHeight + textHeight / 2;
    if (formatWidth > 80 || formatHeight > 80) {
        // Large formats get larger text; the width decides for both sides.
        const int k = RoundInt(formatWidth / 128.0 + 2);
        w *= k;
        h *= k;
    }
    return QSize(std::max(1, w), std::max(1, h));
}

void TextFrameCorners(int x, int y, int angle, int h, int w, int zoom, TFramePoint& p1, TFramePoint& p3)
{
    const double a = angle * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const double z = std::max(zoom, 1);
    const double top = double(y) - h / 2, left = double(x) - w / 2;
    // The box's corners turned about its centre: the bottom-right one first, then the top-left.
    p1.X = RoundInt((x + c * (left + w - x) + s * (top + h - y)) * z);
    p1.Y = RoundInt((y + c * (top + h - y) - s * (left + w - x)) * z);
    p3.X = RoundInt((x + c * (left - x) + s * (top - y)) * z);
    p3.Y = RoundInt((y + c * (top - y) - s * (left - x)) * z);
}

void PlaceTextFrame(TDocumentModel& doc, TRotateFrame& frame)
{
    TFramePoint p1, p3;
    TextFrameCorners(doc.TextX, doc.TextY, doc.TextAngle, doc.TextH, doc.TextW, doc.ZoomFactor, p1, p3);
    frame.SetFrameDegrees(p1.X, p1.Y, p3.X, p3.Y, doc.TextAngle);
}

void StartTextFrame(TDocumentModel& doc, TRotateFrame& frame, TToolHost& host, const TTextOptions& options)
{
    const TIconImageRec* f = doc.CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    doc.TakeBackups();
    const QSize box = TextBlockSize(options.Text, options.Font, f->Width, f->Height);
    doc.TextW = box.width();
    doc.TextH = box.height();
    doc.TextAngle = 0;
    doc.TextX = f->Width > 23 ? f->Width / 2 : doc.TextW / 2;
    doc.TextY = f->Height / 2;
    const double z = std::max(doc.ZoomFactor, 1);
    const double x1 = double(doc.TextX - doc.TextW / 2) * z, y1 = double(doc.TextY - doc.TextH / 2) * z;
    frame.SetFrameDegrees(x1, y1, x1 + doc.TextW * z, y1 + doc.TextH * z, 0);
    RenderText(doc, host, options);
}

void RenderText(TDocumentModel& doc, TToolHost& host, const TTextOptions& options)
{
    if (!FrameOpen(doc)) return;
    TIconImageRec& f = *doc.CurrentImage();
    doc.RestoreBackups();
    const int w = SideOf(doc.TextW), h = SideOf(doc.TextH);
    // The stamp is the square the turned box fits in; the scratch grows to hold it whole.
    Bitmap24& stamp = Imaging().TextScratchBitmap();
    const int side = std::max(w, h) + 4;
    if (stamp.Width() < side || stamp.Height() < side)
        stamp.SetSize(std::max(stamp.Width(), side), std::max(stamp.Height(), side));
    // Where the stamp lands; only its part over the format is made.
    const Rect place{doc.TextX - side / 2, doc.TextY - side / 2, doc.TextX - side / 2 + side,
                     doc.TextY - side / 2 + side};
    const Rect onFormat = LimitRect(place, f.Width, f.Height);
    const Rect needed{onFormat.Left - place.Left, onFormat.Top - place.Top, onFormat.Right - place.Left,
                      onFormat.Bottom - place.Top};
    Rect made;
    RenderTextStamp(stamp, options.Text, options.Font, made, options.AntiAlias, doc.TextAngle, w, h, &needed);
    const TToolColors colors = host.Colors();
    PaintStamp(stamp, *f.Bitmap, *f.Mask, f.ColorType, colors.AlphaColor, colors.Color, place);
    host.RenderAll();
    host.ShowTextPlacement(doc.TextX, doc.TextY, doc.TextAngle, doc.TextH, doc.TextW);
}

void SetTextFrame(TDocumentModel& doc, TRotateFrame& frame, TToolHost& host, const TTextOptions& options, int x,
                  int y, int angle, int h, int w)
{
    if (!FrameOpen(doc)) return;
    doc.TextX = x;
    doc.TextY = y;
    doc.TextW = w;
    doc.TextH = h;
    doc.TextAngle = angle;
    PlaceTextFrame(doc, frame);
    RenderText(doc, host, options);
}

void TextTool(TDocumentModel& doc, TRotateFrame& frame, TToolHost& host, const TTextOptions& options,
              const TToolEvent& e)
{
    if (!FrameOpen(doc)) return;
    const int kind = e.Phase == tpPress  ? TRotateFrame::mkPress
                     : e.Phase == tpMove ? TRotateFrame::mkMove
                                         : TRotateFrame::mkRelease;
    const int handle = frame.MouseEvent(kind, e.X, e.Y, e.Left ? Qt::LeftButton : Qt::NoButton);
    if (handle >= 0) {
        const TFramePlacement p = frame.GetPlacement(doc.ZoomFactor);
        doc.TextX = p.CentreX;
        doc.TextY = p.CentreY;
        doc.TextH = p.Height;
        doc.TextW = p.Width;
        doc.TextAngle = p.Angle;
        RenderText(doc, host, options);
    }
    if (e.Phase == tpRelease) {
        const TIconImageRec& f = *doc.CurrentImage();
        TReleaseSteps steps;
        steps.HistoryColor =
            PaletteColor(host.Colors().Color, IsPaletteColorType(f.ColorType) ? &f.Palette : nullptr);
        host.Release(steps);
    }
}
