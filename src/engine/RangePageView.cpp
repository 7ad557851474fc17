#include "engine/RangePageView.h"

#include "engine/RunCallback.h"

RangePageView* RangeViewIfShown(const TRangeRegistry& registry, const TRangePingPage& page) {
  // The tab's view is registered as a plain PageView, like every tab's.
  return dynamic_cast<RangePageView*>(ViewIfShown(registry, page));
}
