#include "platform/SystemTime.h"

#include <sys/time.h>

#include <ctime>

SystemTime LocalTimeNow() {
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  SystemTime t;
  t.Year = static_cast<std::uint16_t>(local.tm_year + 1900);
  t.Month = static_cast<std::uint16_t>(local.tm_mon + 1);
  t.DayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
  t.Day = static_cast<std::uint16_t>(local.tm_mday);
  t.Hour = static_cast<std::uint16_t>(local.tm_hour);
  t.Minute = static_cast<std::uint16_t>(local.tm_min);
  t.Second = static_cast<std::uint16_t>(local.tm_sec);
  t.Milliseconds = static_cast<std::uint16_t>(now.tv_usec / 1000);
  return t;
}
