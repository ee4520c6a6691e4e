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

TToolWindowLayout LayOutToolWindows(const QRect& mainOuter, QSize tools, QSize colors, QSize history, QSize library)
{
    for (QSize* s : {&tools, &colors, &history, &library})
        if (!s->isValid()) *s = QSize(0, 0);
    const int L = mainOuter.x();
    const int T = mainOuter.y();
    const int W = mainOuter.width();
    TToolWindowLayout out;
    out.Tools.setY(T + 80);
    out.Colors.setY(T + 80);
    out.History.setY(out.Colors.y() + colors.height());
    out.Library.setY(out.History.y());
    out.Tools.setX(L + 5);
    // The right-hand column is as wide as the colour window; without one, as the history window.
    const int column = colors.isEmpty() ? history.width() : colors.width();
    out.Colors.setX(L + W - column - 5);
    out.History.setX(out.Colors.x());
    out.Library.setX(out.History.x() - library.width());
    out.LibraryHeight = history.height();
    out.Preview.setX(L);
    out.Preview.setY(out.Tools.y() + tools.height());
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

