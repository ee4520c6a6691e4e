#include "imaging/imaging_state.h"

#include <algorithm>
#include <vector>

namespace {
std::vector<ImagingState*>& Live()
{
    static std::vector<ImagingState*> live;
    return live;
}
} // namespace

ImagingState::ImagingState() { Live().push_back(this); }

ImagingState::~ImagingState()
{
    auto& live = Live();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

ImagingState& ImagingState::Current()
{
    auto& live = Live();
    if (!live.empty()) return *live.back();
    static ImagingState* fallback = new ImagingState(); // lives to the end of the process
    return *fallback;
}
