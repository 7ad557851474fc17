#pragma once

#include "pages/PageTypes.h"

// The pages of the five registries seen through what both page classes
// share, for the walks and actions that treat every mode alike.
// User-interface thread only.

// Pages in use in the mode's registry.
int ModePageCount(Mode mode);
// Page `index` of the mode's registry; null when there is none.
TPageCommon* ModePage(Mode mode, int index);
// The page of the mode with this id; null when there is none.
TPageCommon* ModePageById(Mode mode, int id);
