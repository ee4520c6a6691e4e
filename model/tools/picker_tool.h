#pragma once
// The colour picker: a press takes the pixel's colour (its palette index in the palette colour
// types) and alpha into the colour window; every move shows them in the tools window. No step.
#include "model/tools/tool_session.h"

void PickerTool(TDocumentModel& doc, TToolHost& host, const TToolEvent& e);
