#include "platform/LaunchActivation.h"

#include <gtest/gtest.h>

#include "ScopedVariable.h"

namespace {

// What another process sends, line by line: only plausible ids and tokens
// under names we know are taken, and the user time is read from the id.
TEST(LaunchActivation, OnlyPlausibleIdsAndTokensAreTaken) {
  const QByteArray longest(LaunchActivation::MaxLength, 'a');
  const struct {
    QByteArray line;
    LaunchActivation taken;
    std::uint32_t time;
  } cases[] = {
      {"DESKTOP_STARTUP_ID=host-1234-5-launcher_TIME98765", {"host-1234-5-launcher_TIME98765", {}}, 98765},
      {"DESKTOP_STARTUP_ID=kde;host;1;0_TIME1_TIME7", {"kde;host;1;0_TIME1_TIME7", {}}, 7},
      {"DESKTOP_STARTUP_ID=no-time", {"no-time", {}}, 0},
      {"DESKTOP_STARTUP_ID=x_TIME", {"x_TIME", {}}, 0},
      {"DESKTOP_STARTUP_ID=x_TIME4294967296", {"x_TIME4294967296", {}}, 0},
      {"XDG_ACTIVATION_TOKEN=0f3c9a1e-aa/b+c=", {{}, "0f3c9a1e-aa/b+c="}, 0},
      {"XDG_ACTIVATION_TOKEN=" + longest, {{}, longest}, 0},
      {"XDG_ACTIVATION_TOKEN=" + longest + 'a', {}, 0},
      {"XDG_ACTIVATION_TOKEN=", {}, 0},
      {"XDG_ACTIVATION_TOKEN=two words", {}, 0},
      {"XDG_ACTIVATION_TOKEN=\"quoted\"", {}, 0},
      {"XDG_ACTIVATION_TOKEN=back\\slash", {}, 0},
      {"XDG_ACTIVATION_TOKEN=tab\there", {}, 0},
      {"XDG_ACTIVATION_TOKEN=caf\xc3\xa9", {}, 0},
      {"DISPLAY=:0", {}, 0},
      {"DESKTOP_STARTUP_ID", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.left(60).toStdString());
    LaunchActivation read;
    read.Read(c.line);
    EXPECT_EQ(read, c.taken);
    EXPECT_EQ(read.UserTime(), c.time);
  }
}

// A start's own, as its launcher set it; one that is not plausible is not
// passed on at all.
TEST(LaunchActivation, AStartPassesOnOnlyWhatIsPlausibleOfItsOwn) {
  const ScopedVariable id("DESKTOP_STARTUP_ID", "launcher-42_TIME1000");
  const ScopedVariable token("XDG_ACTIVATION_TOKEN", "a b");
  EXPECT_EQ(LaunchActivation::FromEnvironment(), (LaunchActivation{"launcher-42_TIME1000", {}}));
}

}  // namespace
