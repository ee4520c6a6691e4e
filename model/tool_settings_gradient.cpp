// The gradient editor's handles, presets and mouse rules; see tool_settings_gradient.h.
#include "model/tool_settings_gradient.h"

#include <algorithm>

namespace {

bool InRect(const Rect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

int ClampPosition(int p) { return std::clamp(p, 0, GradientMaxPosition); }

} // namespace

const std::array<TNodeArray, GradientPresetCount>& GradientPresets()
{
    static const std::array<TNodeArray, GradientPresetCount> presets = {
        TNodeArray{{0, 0xFFFFFF, 1},
                   {511, 0xFF0000, 1},
                   {86, 0xFF0000, 0},
                   {172, 0xFFFFFF, 0},
                   {258, 0xFF0000, 0},
                   {344, 0xFFFFFF, 0},
                   {430, 0xFF0000, 0}},
        TNodeArray{{0, 0x0000FF, 1},
                   {85, 0x00FFFF, 1},
                   {170, 0x00FF00, 1},
                   {255, 0xFFFF00, 1},
                   {340, 0xFF0000, 1},
                   {425, 0xFF00FF, 1},
                   {511, 0x0000FF, 1}},
        TNodeArray{{0, 0xFFFFFF, 1},
                   {511, 0x000000, 1},
                   {86, 0xFF0000, 0},
                   {172, 0xFFFFFF, 0},
                   {258, 0xFF0000, 0},
                   {344, 0xFFFFFF, 0},
                   {430, 0xFF0000, 0}},
    };
    return presets;
}

TNodeArray EnabledPresetNodes(int preset)
{
    TNodeArray out;
    if (preset < 0 || preset >= GradientPresetCount) return out;
    for (const TNodeRec& n : GradientPresets()[size_t(preset)])
        if (n.Enabled) out.push_back(n);
    return out;
}

void TGradientHandle::UpdateRects()
{
    ColorBox = {Position + 4, Top + 15, Position + 11, Top + 21};
    ToggleBox = {Position + 2, Top + 23, Position + 12, Top + 34};
    BodyRect = {Position, Top, Position + GradientSpriteWidth, Top + GradientSpriteHeight};
}

void TGradientHandle::MoveBy(int delta)
{
    // In 64 bits: a drag far off screen must not wrap.
    const long long p = (long long)Position + delta;
    Position = int32_t(std::clamp<long long>(p, 0, GradientMaxPosition));
    UpdateRects();
}

TGradientEditorModel::TGradientEditorModel()
{
    SetDefaultHandles();
}

void TGradientEditorModel::SetDefaultHandles()
{
    SelectedIndex = 0;
    for (int i = 0; i < GradientHandleCount; ++i) {
        TGradientHandle& h = Handles[size_t(i)];
        h.Top = 15;
        h.Selected = false;
        if (i == 0) {
            h.Enabled = true;
            h.Color = 0xFFFFFF;
            h.Position = 0;
            h.Selected = true;
        } else if (i == GradientHandleCount - 1) {
            h.Enabled = true;
            h.Color = 0xFF0000;
            h.Position = GradientMaxPosition;
        } else {
            h.Enabled = false;
            h.Position = i * 512 / 6;
            const int rg = i * 256 / 6;
            h.Color = MakeColor(rg, rg, 255);
        }
        h.UpdateRects();
    }
}

void TGradientEditorModel::SelectHandle(int i)
{
    SelectedIndex = std::clamp(i, 0, GradientHandleCount - 1);
    for (int k = 0; k < GradientHandleCount; ++k) Handles[size_t(k)].Selected = k == SelectedIndex;
}

int TGradientEditorModel::HandleAt(int kind, int x, int y) const
{
    if (kind != ghBody && kind != ghColorBox && kind != ghToggleBox) return -1;
    for (int i = 0; i < GradientHandleCount; ++i) {
        TGradientHandle h = Handles[size_t(i)];
        h.UpdateRects();
        const Rect& r = kind == ghBody ? h.BodyRect : (kind == ghColorBox ? h.ColorBox : h.ToggleBox);
        if (InRect(r, x, y)) return i;
    }
    return -1;
}

bool TGradientEditorModel::ApplyPreset(int preset)
{
    if (preset < 0 || preset >= GradientPresetCount) return false;
    for (int i = 0; i < GradientHandleCount; ++i) {
        TGradientHandle& h = Handles[size_t(i)];
        h.Position = i * 85;
        h.Color = 0xFF0000;
        h.Enabled = false;
    }
    const TNodeArray& nodes = GradientPresets()[size_t(preset)];
    for (int j = 0; j < GradientHandleCount && j < int(nodes.size()); ++j) {
        TGradientHandle& h = Handles[size_t(j)];
        h.Position = ClampPosition(nodes[size_t(j)].Position);
        h.Color = nodes[size_t(j)].Color;
        h.Enabled = nodes[size_t(j)].Enabled != 0;
    }
    for (TGradientHandle& h : Handles) h.UpdateRects();
    SelectHandle(0);
    return true;
}

void TGradientEditorModel::Inverse()
{
    const auto before = Handles;
    for (int i = 0; i < GradientHandleCount; ++i) {
        const TGradientHandle& from = before[size_t(GradientHandleCount - 1 - i)];
        TGradientHandle& h = Handles[size_t(i)];
        h.Position = GradientMaxPosition - from.Position;
        h.Color = from.Color;
        h.Enabled = from.Enabled;
        h.UpdateRects();
    }
}

TNodeArray TGradientEditorModel::CollectNodes() const
{
    TNodeArray nodes;
    for (int i = GradientHandleCount - 1; i >= 0; --i) {
        const TGradientHandle& h = Handles[size_t(i)];
        if (h.Enabled) nodes.push_back({h.Position, h.Color, 1});
    }
    return nodes;
}

int TGradientEditorModel::Press(int x, int y)
{
    LastX = x;
    const int hit = HandleAt(ghBody, x, y);
    // A press beside every handle keeps the selection, so a drag from anywhere moves it.
    if (hit >= 0) SelectHandle(hit);
    return hit;
}

bool TGradientEditorModel::Move(int x)
{
    bool moved = false;
    if (SelectedIndex >= 0 && SelectedIndex < GradientHandleCount) {
        TGradientHandle& h = Selected();
        const int before = h.Position;
        h.MoveBy(x - LastX);
        moved = h.Position != before;
    }
    LastX = x;
    return moved;
}

TGradientRelease TGradientEditorModel::Release(int x, int y)
{
    TGradientRelease out;
    if (DoubleClicked) {
        DoubleClicked = false;
        out.PickColorOf = HandleAt(ghColorBox, x, y);
        return out;
    }
    const int hit = HandleAt(ghToggleBox, x, y);
    if (hit >= 0) {
        Handles[size_t(hit)].Enabled = !Handles[size_t(hit)].Enabled;
        out.Toggled = hit;
    }
    return out;
}

void TGradientEditorModel::SetSelectedPosition(int position)
{
    Selected().Position = ClampPosition(position);
    Selected().UpdateRects();
}

void TGradientEditorModel::SetSelectedEnabled(bool enabled) { Selected().Enabled = enabled; }

void TGradientEditorModel::SetHandleColor(int handle, TColor color)
{
    if (handle < 0 || handle >= GradientHandleCount) return;
    Handles[size_t(handle)].Color = color & 0xFFFFFF;
}
