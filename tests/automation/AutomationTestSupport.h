#pragma once

#include <string>

#include "pages/PageRegistry.h"

// Empties the five registries and brings the options back to their start-up values.
void ResetPagesAndOptions();
// Appends a page to the mode's registry and returns it.
TPageCommon& AddTestPage(Mode mode, const std::string& name = "Page");
// A local time; the week day (0 = Sunday) must fit the date where it counts.
SystemTime LocalTime(int year, int month, int day, int hour, int minute, int second = 0, int dayOfWeek = 0);
// A controller stand-in for pages that are to look busy.
PageWorker* BusyWorker();
