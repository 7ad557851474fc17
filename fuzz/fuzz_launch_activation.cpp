// Feeds arbitrary lines, as a later start sends them, to the running copy's
// reader of what the start was launched with: only plausible values are
// taken, and what is taken comes back from its own lines unchanged.

#include <QByteArray>
#include <QList>
#include <cstddef>
#include <cstdint>

#include "platform/LaunchActivation.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool TakenOrNothing(const QByteArray& value) { return value.isEmpty() || LaunchActivation::Plausible(value); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  LaunchActivation read;
  for (const QByteArray& line : bytes.split('\n')) read.Read(line);
  Check(TakenOrNothing(read.startupId) && TakenOrNothing(read.activationToken));
  Check(read.Lines().size() <= bytes.size() + 2);

  LaunchActivation back;
  for (const QByteArray& line : read.Lines().split('\n')) back.Read(line);
  Check(back == read);
  return 0;
}
