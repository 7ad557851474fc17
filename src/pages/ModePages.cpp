#include "pages/ModePages.h"

int ModePageCount(Mode mode) {
  return WithModeRegistry(mode, [](const auto& registry) { return registry.Count(); });
}

int ModeCurrentIndex(Mode mode) {
  return WithModeRegistry(mode, [](const auto& registry) { return registry.Current; });
}

TPageCommon* ModePage(Mode mode, int index) {
  return WithModeRegistry(mode, [index](const auto& registry) -> TPageCommon* { return registry.At(index); });
}

TPageCommon* ModePageById(Mode mode, int id) {
  return WithModeRegistry(mode, [id](const auto& registry) -> TPageCommon* { return registry.FindById(id); });
}

namespace {
TPingRegistry* AsPingRegistry(TPingRegistry& registry) { return &registry; }
TPingRegistry* AsPingRegistry(TRangeRegistry&) { return nullptr; }
}  // namespace

TPingRegistry* PingModeRegistry(Mode mode) {
  return WithModeRegistry(mode, [](auto& registry) { return AsPingRegistry(registry); });
}
