#include "ui/RunStart.h"

#include "platform/SystemTime.h"

std::optional<TaskRunValues> StartArguments::Task() const {
  if (!fromTask) return std::nullopt;
  return TaskRunValues{retries, minutes, byMinutes};
}

void StampRunStart(TPageCommon& page) {
  const SystemTime now = LocalTimeNow();
  page.StartTime = now;
  page.EndTime = now;
}
