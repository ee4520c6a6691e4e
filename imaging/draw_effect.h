#pragma once
// The cartoon driver: takes a copy of a TCartoonOptions record, runs the enabled layers (the line
// layer of TSketch and the colour layer of TColorStep) on the record's source region and joins
// them into a 24-bit bitmap.
#include "imaging/cartoon_options.h"
#include "imaging/color_step.h"
#include "platform/progress.h"
#include "imaging/sketch.h"

class Bitmap24;

class TDrawEffect {
public:
    // Copies the whole record; the driver never changes its copy.
    void SetOptions(const TCartoonOptions& options) { options_ = options; }
    const TCartoonOptions& Options() const { return options_; }

    // The three targets are borrowed and handed to both layers; absent by default.
    void SetProgress(const ProgressTargets& targets) { progress_ = targets; }

    // Clears CancelRequested, then runs the line layer and the colour layer when enabled.
    void Execute();

    // Writes the last run's layers into dst from its top-left corner: multiply (ComposeMode 1) or
    // mix by MixWeight percent of the line layer (ComposeMode 2) when both layers were made, the
    // one layer alone otherwise. Writes nothing after a cancelled run, or when no layer was made.
    void ComposeTo(Bitmap24& dst) const;

    TSketch& Sketch() { return sketch_; }
    const TSketch& Sketch() const { return sketch_; }
    TColorStep& ColorStep() { return colorStep_; }
    const TColorStep& ColorStep() const { return colorStep_; }

    // What the last Execute made: the layers present and their size.
    bool HasSketchLayer() const { return sketchMade_; }
    bool HasColorLayer() const { return colorMade_; }

private:
    TCartoonOptions options_;
    ProgressTargets progress_;
    TSketch sketch_;
    TColorStep colorStep_;
    bool sketchMade_ = false;
    bool colorMade_ = false;
    bool cancelled_ = false;
};
