#pragma once
// The bucket: a press fills the region around the cell with the colour; hovering shows in the
// tools window what a press there would do, without touching the format.
#include "model/tools/tool_session.h"

void BucketTool(TToolSession& session, TDocumentModel& doc, TToolHost& host, const TToolEvent& e,
                const TPaintOptions& options);

// Fills the region of Bitmap around the cell (the format's size and colour type) with the
// colours through Mask and Bitmap. A cell off the format fills nothing; returns whether it filled.
bool ApplyBucketFill(TFloodFill& fill, Bitmap24& bitmap, Bitmap24& mask, const TIconImageRec& format, Point cell,
                     int tolerance, const TToolColors& colors);
