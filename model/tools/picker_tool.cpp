// The colour picker.
#include "model/tools/picker_tool.h"

#include <algorithm>

#include "model/tools/tool_canvas.h"

void PickerTool(TDocumentModel& doc, TToolHost& host, const TToolEvent& e)
{
    const TIconImageRec* f = doc.CurrentImage();
    if (!f || !f->Bitmap || !f->Mask) return;
    const Point cell = doc.CellAt(e.X, e.Y);
    // Cells off the pixels (the canvas's extra row and column, a drag held outside) are not read.
    if (!CellInImage(cell, *f) || !f->Bitmap->Contains(cell.X, cell.Y) || !f->Mask->Contains(cell.X, cell.Y)) return;
    const TColor pixel = f->Bitmap->Pixel(cell.X, cell.Y);
    const int alpha = 255 - f->Mask->Byte0(cell.X, cell.Y);
    const bool palette = IsPaletteColorType(f->ColorType);
    switch (e.Phase) {
    case tpPress: {
        TColor value = pixel;
        if (palette) value = TColor(ColorR(pixel)) & TColor(std::max<int>(f->Palette.palNumEntries, 1) - 1);
        host.PickColor(value, alpha);
        break;
    }
    case tpMove:
        host.ShowPickedColour(PaletteColor(pixel, palette ? &f->Palette : nullptr), alpha);
        break;
    default:
        break;
    }
}
