#pragma once
// A tool host that records what the painting tools ask of it, and a document with one format
// ready for the tools, for the headless tests of the tools.
#include <tuple>
#include <utility>
#include <vector>

#include "model/document_model.h"
#include "model/tools/tool_host.h"
#include "support/format_helpers.h"

struct RecordingHost : TToolHost {
    TToolColors colors{MakeColor(200, 10, 20), 0xFFFFFF};
    std::vector<TReleaseSteps> releases;
    std::vector<Rect> rendered;
    int renderAll = 0;
    std::vector<std::pair<TColor, int>> picked, shown;
    int bucketPreviews = 0;
    Bitmap24 previewBitmap;
    TToolColors Colors() override { return colors; }
    void RenderRect(const Rect& r) override { rendered.push_back(r); }
    void RenderAll() override { ++renderAll; }
    void Release(const TReleaseSteps& s) override { releases.push_back(s); }
    void PickColor(TColor v, int a) override { picked.emplace_back(v, a); }
    void ShowPickedColour(TColor c, int a) override { shown.emplace_back(c, a); }
    void ShowBucketPreview(const Bitmap24& b, const Bitmap24&, const TIconImageRec&) override
    {
        ++bucketPreviews;
        previewBitmap = b;
    }
    std::vector<std::tuple<int, int, int, int, int>> placements; // x, y, angle, h, w
    void ShowTextPlacement(int x, int y, int a, int h, int w) override { placements.emplace_back(x, y, a, h, w); }
};

inline TDocumentModel Document(int w, int h, int32_t type, int zoom, TColor color = 0xFFFFFF, int transparency = 0)
{
    TDocumentModel doc;
    doc.Images.Add(SolidFormat(w, h, type, color, transparency));
    doc.CurrentIndex = 0;
    doc.ZoomFactor = zoom;
    doc.BackBuffer.SetSize(w * zoom + 1, h * zoom + 1);
    return doc;
}

