// How the real program ends when signals end its session: started as a user
// would, in a folder of its own.

#include <cstring>
#include <string>
#include <vector>

#include "ProgramRunFixture.h"
#include "pages/PageFiles.h"

namespace {

// Ctrl+C in the terminal ends the session as SIGTERM and SIGHUP do, and one
// session end saves once, whatever signals follow it: each page file and
// the settings are renamed into place once, and the program ends with 0.
TEST_F(ProgramRun, EachSignalThatEndsTheSessionSavesOnceAndEndsCleanly) {
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  QStringList files{"config.ini"};
  for (const Mode mode : AllModes) files << QString::fromStdString(PageFileName(mode));
  files.sort();
  const std::vector<std::vector<int>> cases{
      {SIGINT}, {SIGTERM, SIGHUP}, {SIGINT, SIGINT}, {SIGHUP, SIGINT, SIGTERM}};
  for (const std::vector<int>& sent : cases) {
    std::string label;
    for (const int number : sent) label += std::string(sigabbrev_np(number)) + " ";
    // The result folder comes after the signal handlers: once it is there,
    // a signal can no longer kill the program outright.
    ASSERT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    const FolderWatch saved(Folder() + "/Config");
    auto process = Launch();
    WaitFor(*process, "Results");
    for (const int number : sent) ::kill(static_cast<pid_t>(process->processId()), number);
    EXPECT_TRUE(EndsCleanly(*process)) << label << process->exitStatus() << " " << process->exitCode();
    EXPECT_EQ(saved.Names(), files) << label;
  }
}

}  // namespace
