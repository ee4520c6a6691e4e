#pragma once
// Small routines shared across the program: integer text test, shell open, rectangles, clamps,
// selection and sorting, colour-space conversions and the grey copy by lightness.
#include <cstdint>
#include <functional>

#include <QString>

#include "platform/progress.h"
#include "platform/bitmap24.h"
#include "platform/color.h"
#include "platform/rect.h"

// An optional sign followed by decimal digits '0'..'9', nothing else, no limit on length.
bool IsIntegerText(const QString& text);

// Opens a file or web address with the desktop's associated program. Always true.
bool ShellOpen(const QString& path);
// Tests replace what ShellOpen does; an empty function restores the desktop's handler.
void SetShellOpenHandler(std::function<void(const QString&)> handler);

Rect NormalizeRect(Rect& rect);
Rect ClipRectToBounds(Rect& rect, int width, int height);
Rect IntersectRects(const Rect& a, const Rect& b);
// The smallest rectangle holding both; an empty one adds nothing.
Rect UnionRects(const Rect& a, const Rect& b);
Rect RectToLocal(const Rect& rect, int x, int y);
Rect ScaleRect(const Rect& rect, double sx, double sy);
bool PointInRect(const Point& point, const Rect& rect);
bool PtInRectXY(int x, int y, const Rect& rect);

int ClampInt(int lo, int hi, int value);
// Truncates toward zero, then clamps; NaN gives lo.
int ClampReal(int lo, int hi, double x);
// Rounds, halves to even.
int RealToInt(double x);
void MinMax3(int a, int b, int c, int& min, int& max);
int Lightness(TColor color);
// Gives Dst the size of Src without copying pixels.
void PrepareLikeBitmap(const Bitmap24& src, Bitmap24& dst);

void SwapInts(int& a, int& b);
// The lower median of the first Count values (partly reorders them); 0 when Count <= 0.
// The lower median of values, partly reordering them. A set cancel flag stops the search and
// gives what stands at the median's place then.
int32_t SelectKth(int32_t* values, int count, const uint8_t* cancel = nullptr);
// The largest of values[0..last]; 0 when last < 0.
int32_t MaxOfInts(const int32_t* values, int last);
void SortBytes(uint8_t* data, int count);
void QuickSortBytes(uint8_t* data, int first, int last);

// H 0..359, S and V 0..255.
void RgbToHsv(int r, int g, int b, int& v, int& s, int& h);
void HsvToRgb(int h, int s, int v, int& b, int& g, int& r);
// H 0..360, S and L 0..100.
void RgbToHsl(int r, int g, int b, int& l, int& s, int& h);
void HslToRgb(int h, int s, int l, int& b, int& g, int& r);

// Dst becomes a grey copy of Src, each pixel at its lightness.
void GrayscaleByLightness(const Bitmap24& src, Bitmap24& dst, const ProgressCallback& progress = {});
