#include "platform/Autostart.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>

#include "platform/FileIo.h"
#include "support/Waits.h"

namespace {

TEST(Autostart, TheExecLineQuotesEveryAwkwardByteOfThePath) {
  const std::pair<const char*, const char*> cases[] = {
      // A backslash of the quoting before '"', '`', '$' and '\', then each doubled for the value.
      {R"(/opt/my apps/v"q"/a\b$c`d'e/velquor)", R"("/opt/my apps/v\\"q\\"/a\\\\b\\$c\\`d'e/velquor")"},
      {"/opt/tab\there/velquor", R"("/opt/tab\there/velquor")"},
      {"/opt/a=b%/velquor", R"("/opt/a=b%%/velquor")"},  // env would take it for a variable
  };
  for (const auto& [program, exec] : cases) EXPECT_EQ(DesktopExecValue(program), exec) << program;
}

// Read by GLib's launcher, which checks that the program exists ("50%" needs the env prefix).
TEST(Autostart, ADesktopLauncherStartsTheProgramAtAnAwkwardPath) {
  EnsureTestApplication();
  QTemporaryDir dir;
  const std::string folder = dir.filePath(R"(my "apps" it's $HOME `x` a\b 50%)").toStdString();
  const std::string program = folder + "/velquor";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(WriteFileAtomically(program, "#!/bin/sh\necho \"$#\" > \"$0.ran\"\n").ok());
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  const std::string entry = dir.filePath("velquor.desktop").toStdString();
  ASSERT_TRUE(WriteFileAtomically(entry, AutostartEntryText(program)).ok());
  EXPECT_EQ(QProcess::execute("gio", {"launch", QString::fromStdString(entry)}), 0);
  const std::string ran = program + ".ran";  // the number of its arguments
  EXPECT_TRUE(WaitUntil([&] { return ReadFilePrefix(ran, 64) == "0\n"; }));
}

}  // namespace
