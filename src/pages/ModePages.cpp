#include "pages/ModePages.h"

int ModePageCount(Mode mode) {
  return WithModeRegistry(mode, [](const auto& registry) { return registry.Count(); });
}

TPageCommon* ModePage(Mode mode, int index) {
  return WithModeRegistry(mode, [index](const auto& registry) -> TPageCommon* { return registry.At(index); });
}

TPageCommon* ModePageById(Mode mode, int id) {
  return WithModeRegistry(mode, [id](const auto& registry) -> TPageCommon* { return registry.FindById(id); });
}
