#include "engine/PageViews.h"

#include <array>
#include <cstddef>

namespace {

std::array<PageView*, AllModes.size()> views{};

}  // namespace

void SetPageView(Mode mode, PageView* view) { views[static_cast<std::size_t>(mode)] = view; }

PageView* ModePageView(Mode mode) { return views[static_cast<std::size_t>(mode)]; }
