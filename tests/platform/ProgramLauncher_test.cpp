#include "platform/ProgramLauncher.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "platform/FileIo.h"
#include "support/Waits.h"

namespace {

// Each argument arrives as one, as it was: nothing in it is split or run by a shell.
TEST(ProgramLauncher, ArgumentsReachTheProgramUntouched) {
  QTemporaryDir dir;
  const std::string program = dir.filePath("record args").toStdString(), pwned = program + ".pwned";
  ASSERT_TRUE(WriteFileAtomically(program,
                                  "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done >\"$0.part\"\n"
                                  "mv \"$0.part\" \"$0.out\"\n")
                  .ok());
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  const std::string odd = "it's \"q\" `true` $(touch '" + pwned + "') a;b";
  ASSERT_TRUE(IsProgramFile(program));
  ASSERT_TRUE(StartDetachedProgram(program, {odd, ""}).ok());
  EXPECT_TRUE(WaitUntil([&] { return ReadFilePrefix(program + ".out", 4096) == "[" + odd + "]\n[]\n"; }));
  EXPECT_FALSE(std::filesystem::exists(pwned));
}

}  // namespace
