#pragma once
// The gradient editor's state without its window: seven stop handles under a 512-pixel bar, the
// three preset gradients, mirroring, and what the mouse does on the bar. The window draws the
// handles and the bar from here; tests drive the same rules headless. The result, the enabled
// handles as a TNodeArray, is what the shape pages render into their gradient strips.
#include <array>
#include <cstdint>

#include "imaging/paint.h"
#include "platform/color.h"
#include "platform/rect.h"

constexpr int GradientHandleCount = 7;
constexpr int GradientPresetCount = 3;
constexpr int GradientMaxPosition = 511;
// The handle sprites' size; a handle's sprite starts at x = its position, so it sits centred
// under bar pixel 8 + position.
constexpr int GradientSpriteWidth = 16;
constexpr int GradientSpriteHeight = 38;
// Where the bar is drawn in the paint box, and the paint box's size.
constexpr Rect GradientBarRect{8, 0, 520, 16};
constexpr int GradientBoxWidth = 538;
constexpr int GradientBoxHeight = 55;
// The editor's background.
constexpr TColor GradientBackground = 0xC8D0D4;

// The three preset gradients, each with its seven nodes (enabled or not) in table order.
const std::array<TNodeArray, GradientPresetCount>& GradientPresets();
// The enabled nodes of a preset in table order (empty for an index outside 0..2).
TNodeArray EnabledPresetNodes(int preset);

// One stop handle.
struct TGradientHandle {
    int32_t Top = 15;
    // The colour swatch, the enable toggle and the whole sprite, from Position and Top.
    Rect ColorBox;
    Rect ToggleBox;
    Rect BodyRect;
    TColor Color = 0;
    bool Enabled = false;
    bool Selected = false;
    int32_t Position = 0;

    void UpdateRects();
    // Position + delta, kept within 0..511.
    void MoveBy(int delta);
};

// Kinds of HandleAt.
enum TGradientHit : int { ghBody = 1, ghColorBox = 2, ghToggleBox = 3 };

// What a mouse release on the bar asks of the window.
struct TGradientRelease {
    // A double click ended on this handle's colour box: ask for a colour (-1: none).
    int PickColorOf = -1;
    // This handle's enable toggle was flipped (-1: none).
    int Toggled = -1;
};

class TGradientEditorModel {
public:
    TGradientEditorModel();

    std::array<TGradientHandle, GradientHandleCount> Handles;
    int SelectedIndex = 0;
    // The x of the last press or move over the bar.
    int LastX = 0;
    // Set by a double click, consumed by the next release.
    bool DoubleClicked = false;

    // White at 0 and blue at 511 enabled, five disabled handles between; handle 0 selected.
    void SetDefaultHandles();
    // Handle I becomes the selected one (I is clamped to 0..6).
    void SelectHandle(int i);
    TGradientHandle& Selected() { return Handles[size_t(SelectedIndex)]; }
    // The first handle whose rectangle of the kind holds the point; -1 when none.
    int HandleAt(int kind, int x, int y) const;
    // Every handle is placed as preset Preset's node of its number; false (nothing changed) for
    // an index outside 0..2. Handle 0 is selected afterwards.
    bool ApplyPreset(int preset);
    // Mirrors the gradient: handle i takes the mirrored position, colour and flag of handle 6 - i.
    // The selection stays.
    void Inverse();
    // The enabled handles from handle 6 down to handle 0, unsorted (the gradient sorts them).
    TNodeArray CollectNodes() const;

    // The mouse on the bar. A press on a handle's body selects it and returns its number; a
    // press beside every handle keeps the selection and returns -1.
    int Press(int x, int y);
    // A move with the left button held: the selected handle follows. True when it moved.
    bool Move(int x);
    TGradientRelease Release(int x, int y);

    // The selected handle's controls.
    void SetSelectedPosition(int position);
    void SetSelectedEnabled(bool enabled);
    void SetHandleColor(int handle, TColor color);
};
