#include "model/main_commands.h"

#include <QFileInfo>

#include "imaging/compositing.h"
#include "imaging/transforms.h"
#include "model/new_format.h"

TEditCommandState EditCommandStates(bool documentActive, bool hasSelection, bool clipboardHasPicture, bool textEditing)
{
    TEditCommandState s;
    if (!documentActive) return s;
    s.Cut = s.Copy = s.Clear = hasSelection;
    s.Paste = clipboardHasPicture;
    s.SelectAll = s.SelectNone = !textEditing;
    return s;
}

namespace {

// Moves a rectangle into the area where it fits; one too large keeps its left or top edge on it.
QRect InsideArea(QRect r, const QRect& area)
{
    r.moveLeft(qMax(qMin(r.left(), area.right() + 1 - r.width()), area.left()));
    r.moveTop(qMax(qMin(r.top(), area.bottom() + 1 - r.height()), area.top()));
    return r;
}

} // namespace

TToolWindowLayout LayOutToolWindows(const QRect& mainOuter, const QRect& workArea, QSize tools, QSize colors,
                                    QSize history, QSize library, QSize preview)
{
    for (QSize* s : {&tools, &colors, &history, &library, &preview})
        if (!s->isValid()) *s = QSize(0, 0);
    const QRect area = workArea.isValid() ? workArea : mainOuter;
    // The frame may reach past the work area (a maximized frame covers it exactly, another may
    // lie partly off screen): the windows go by the part of it that can be seen.
    QRect frame = mainOuter.intersected(area);
    if (frame.isEmpty()) frame = area;
    const int L = frame.x();
    const int T = frame.y();
    const int R = frame.x() + frame.width();

    TToolWindowLayout out;
    out.Tools = InsideArea(QRect(QPoint(L + 5, T + 80), tools), area);
    // The right-hand column, as wide as the colour window (without one, as the history window),
    // ends 5 pixels inside the frame's right edge; a wider history window comes in from the
    // work area's edge.
    const int column = colors.isEmpty() ? history.width() : colors.width();
    out.Colors = InsideArea(QRect(QPoint(R - 5 - column, T + 80), colors), area);
    const int historyTop = colors.isEmpty() ? out.Colors.top() : out.Colors.bottom() + 1;
    const int historyLeft = out.Colors.left();
    const int below = qMax(0, area.bottom() + 1 - historyTop);
    const int historyHeight = qMin(history.height(), below);
    out.History = InsideArea(QRect(historyLeft, historyTop, history.width(), historyHeight), area);
    out.Library = InsideArea(QRect(out.History.left() - library.width(), out.History.top(), library.width(),
                                   library.isEmpty() ? 0 : out.History.height()),
                             area);
    // Under the tools window; where the work area ends too soon, beside it.
    QRect previewPlace(QPoint(L, out.Tools.bottom() + 1), preview);
    if (previewPlace.bottom() > area.bottom()) previewPlace.moveTopLeft(QPoint(out.Tools.right() + 1, out.Tools.top()));
    out.Preview = InsideArea(previewPlace, area);
    return out;
}

QString SaveAsExtension(int filterIndex)
{
    switch (filterIndex) {
    case 2: return QStringLiteral(".bmp");
    case 3: return QStringLiteral(".jpg");
    case 4: return QStringLiteral(".png");
    case 5: return QStringLiteral(".gif");
    default: return QStringLiteral(".ico");
    }
}

QString WithSaveAsExtension(const QString& name, int filterIndex)
{
    const QString expected = SaveAsExtension(filterIndex);
    const QString fileName = QFileInfo(name).fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : fileName.mid(dot);
    if (ext.toLower() == expected) return name;
    return name + expected;
}

QString SaveAsProposal(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString ApplyDirectEffect(TIconImageRec& f, TDirectEffect effect)
{
    const Rect r = SizeRect(f.Width, f.Height);
    auto both = [&f](auto&& op) {
        if (f.Bitmap) op(*f.Bitmap);
        if (f.Mask) op(*f.Mask);
    };
    // Turns act inside the format's rectangle, so the size stays. Palette formats turn on their
    // indices: where a turn of a format whose sides differ by an odd number lands between pixels,
    // blending would mix indices into colours the picture never had.
    auto turn = [&](int angle, const QString& caption) {
        if (IsPaletteColorType(f.ColorType))
            both([&](Bitmap24& b) { RotateBitmapNearest(b, b, r, angle); });
        else
            both([&](Bitmap24& b) { RotateRectBilinear(b, r, angle); });
        // Masks of the colour types without alpha hold only "opaque" and "transparent": what
        // the turn blended in between becomes opaque, as the icon writer would store it.
        if (f.ColorType != ctTrueAlpha && f.Mask) HardenMask(*f.Mask);
        return caption;
    };
    switch (effect) {
    case TDirectEffect::FlipHorizontal:
        both([&](Bitmap24& b) { FlipRectHorizontal(b, r); });
        return QStringLiteral("Flip Horizontal");
    case TDirectEffect::FlipVertical:
        both([&](Bitmap24& b) { FlipRectVertical(b, r); });
        return QStringLiteral("Flip Vertical");
    case TDirectEffect::Rotate180: return turn(180, QStringLiteral("Rotate 180"));
    case TDirectEffect::Rotate90CW: return turn(270, QStringLiteral("Rotate 90 CW"));
    case TDirectEffect::Rotate90CCW: return turn(90, QStringLiteral("Rotate 90 CCW"));
    case TDirectEffect::InvertColor:
        if (f.Bitmap) InvertColors(*f.Bitmap, r, &f.Palette);
        return QStringLiteral("Invert Color");
    }
    return QString();
}

