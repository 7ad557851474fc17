#include "platform/Autostart.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <filesystem>
#include <fstream>

#include "platform/FileIo.h"
#include "support/Waits.h"

namespace fs = std::filesystem;

namespace {

TEST(Autostart, TheExecLineQuotesEveryAwkwardByteOfThePath) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/velquor", R"("/usr/bin/velquor")"},
      // '"', '`', '$' and '\' get a backslash of the quoting, then every
      // backslash is doubled for the value's own escapes.
      {R"(/opt/my apps/v"q"/a\b$c`d'e/velquor)", R"("/opt/my apps/v\\"q\\"/a\\\\b\\$c\\`d'e/velquor")"},
      {"/opt/tab\there/velquor", R"("/opt/tab\there/velquor")"},
      {"/opt/50%/velquor", R"(env "/opt/50%%/velquor")"},
      {"/opt/a=b%/velquor", R"("/opt/a=b%%/velquor")"},
  };
  for (const auto& [program, exec] : cases) EXPECT_EQ(DesktopExecValue(program), exec) << program;
}

// The entry as a desktop's launcher reads it: GLib's, which also checks that
// the program exists before it starts it.
TEST(Autostart, ADesktopLauncherStartsTheProgramAtAnAwkwardPath) {
  EnsureTestApplication();
  std::string dir = (fs::temp_directory_path() / "velquor-autostart-XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const fs::path program = fs::path(dir) / R"(my "apps" it's $HOME `x` a\b 50%)" / "velquor";
  fs::create_directories(program.parent_path());
  std::ofstream(program) << "#!/bin/sh\necho \"$#\" > \"$0.ran\"\n";
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  const std::string entry = dir + "/velquor.desktop";
  ASSERT_TRUE(WriteFileAtomically(entry, AutostartEntryText(program.string())).ok());
  EXPECT_EQ(QProcess::execute("gio", {"launch", QString::fromStdString(entry)}), 0);
  const std::string ran = program.string() + ".ran";
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(ran) && fs::file_size(ran) > 0; }));
  EXPECT_EQ(ReadFilePrefix(ran, 64), "0\n");  // started without arguments
  fs::remove_all(dir);
}

}  // namespace
