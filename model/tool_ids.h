#pragma once
// The tools of the tools window by number. The numbers are the tools window's own and are kept
// where a document or setting refers to a tool; the gaps are tools this editor never had.
// The tool identifiers of the tools window.
enum TToolId : int {
    tiNone = 0,
    tiRectSelect = 1,
    tiLasso = 3,
    tiPencil = 5,
    tiBrush = 6,
    tiText = 7,
    tiBucket = 8,
    tiPicker = 9,
    tiEraser = 10,
    tiRectangle = 11,
    tiEllipse = 12,
    tiLine = 13,
};
