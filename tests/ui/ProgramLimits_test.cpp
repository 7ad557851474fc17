// The real program under a container's open-file limit, its pools asking
// for more sockets than the limit allows, ended by a session end.

#include "ProgramRunFixture.h"

namespace {

// Three IP range ping pages of 500 workers, started at start-up, want 1,500
// sockets under a limit of 1,024; a SIGTERM once every worker has tried for
// one still saves every file, once each, and ends with status 0.
TEST_F(ProgramRun, PoolsWantingMoreSocketsThanTheLimitLeaveTheSessionEndItsSave) {
  const TRangeRegistry pages = WritePools();
  const FolderWatch saved(Folder() + "/Config");
  auto process =
      Launch(QProcess::SeparateChannels, {"prlimit", QString("--nofile=%1:%1").arg(OpenFileLimit)});
  WaitForFullPools(*process);
  EndBySigterm(*process);
  const QString said = QString::fromUtf8(process->readAllStandardError());
  EXPECT_FALSE(said.contains("cannot save")) << said.toStdString();

  EXPECT_EQ(saved.Names(), SavedFiles());
  TRangeRegistry kept(Mode::RangePing);
  ASSERT_TRUE(LoadPages(kept, (Folder() + "/Config").toStdString()).ok());
  ASSERT_EQ(kept.Count(), Pools);
  for (int i = 0; i < Pools; ++i) {
    EXPECT_EQ(kept.At(i)->Name, pages.At(i)->Name);
    EXPECT_EQ(kept.At(i)->From, pages.At(i)->From);
    EXPECT_EQ(kept.At(i)->To, pages.At(i)->To);
    EXPECT_EQ(kept.At(i)->Threads, PoolWorkers);
  }
}

}  // namespace
