#pragma once
// The cartoon preset that ships next to the executable as "cartoon3.set", by name. The options
// dialog loads it at start-up: its line and colour values become the controls' starting
// positions, and SketchType and CutOff (which no control sets) stay as given here.
//
// The values aim at a clean cartoon of a photo at every icon size: a little pre-blur and a
// larger subtrahend keep texture and noise out of the line layer, so that mostly outlines remain;
// light-grey line fragments are washed out to paper by the cut-off; the colour layer flattens
// into areas with a step of 24 and is made a little more saturated and contrasted.
#include "imaging/cartoon_options.h"

inline TCartoonOptions ShippedCartoonPreset()
{
    TCartoonOptions o;
    // Line layer: dark lines on white paper.
    o.SketchType = 2;
    o.Detail = 140;
    o.Darkness = 52;
    o.SketchSmooth = 10; // sigma 0.5
    o.RidgeWeight = 3;
    o.CutOff = 210;
    o.RemainDarkArea = 0;
    o.Threshold = 40;    // used once the user ticks "Remain Dark Area"
    o.Strength = 128;
    // Colour layer.
    o.ColorReducer = 24;
    o.ReducerKind = 0;
    o.KeepAverage = 1;
    o.BandCount = 0;
    o.SmoothMode = 0;
    o.SmoothRadius = 0;
    o.Blur = 25; // sigma 1.25
    o.Brightness = 0;
    o.Contrast = 8;
    o.Saturation = 16;
    o.Red = 0;
    o.Green = 0;
    o.Blue = 0;
    // Composition: lines laid over the colours.
    o.DrawSketch = 1;
    o.DrawColor = 0;
    o.ComposeMode = 1;
    o.MixWeight = 50;
    return o;
}
