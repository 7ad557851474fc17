#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "ReportFixture.h"
#include "pages/ModePages.h"
#include "reports/ReportPages.h"
#include "reports/ReportWriters.h"

namespace {

constexpr Mode Modes[] = {Mode::Ping, Mode::MultiPing, Mode::RangePing, Mode::Traceroute, Mode::PathPing};

// One page per mode whose row 0 answered and row 1 did not (a silent hop, a
// host not found, a range host not yet usable).
void AddPages() {
  for (TPingRegistry* registry :
       {&PingRegistry, &MultiPingRegistry, &TracerouteRegistry, &PathPingRegistry}) {
    TPingPage& page = NewPage(*registry);
    page.Hosts[0] = Row(0, "192.0.2.7", "", 1, 1, 0);
    page.Hosts[1] = Row(1, "192.0.2.8", "", 1, 0, 1);
    page.HostCount = 2;
  }
  TRangePingPage& range = NewPage(RangePingRegistry);
  range.Hosts.push_back(std::make_unique<THostResult>(Row(0, "10.0.0.1", "", 1, 1, 0)));
  range.Hosts.push_back(std::make_unique<THostResult>(Row(1, "10.0.0.2", "", 1, 0, 1)));
  range.HostCount = 2;
}

TPageCommon& PageOf(Mode mode) { return *ModePage(mode, 0); }

TEST_F(ReportTest, GuardsLeaveAnExistingFileAlone) {
  AddPages();
  const std::string old = PathOf("old.txt");
  ASSERT_TRUE(WriteFileAtomically(old, "old report").ok());
  for (Mode mode : Modes) {
    for (bool csv : {false, true}) {
      SCOPED_TRACE(static_cast<int>(mode) * 2 + csv);
      auto refused = [&](int pageIndex, int hostIndex) {
        EXPECT_FALSE(HostReportReady(mode, pageIndex, hostIndex));
        EXPECT_FALSE(SaveHostReport(mode, csv, old, pageIndex, hostIndex));
        if (hostIndex != 0) return;
        EXPECT_FALSE(PageReportReady(mode, pageIndex));
        EXPECT_FALSE(SavePageReport(mode, csv, old, pageIndex, rmIpList));
      };
      // Every page index outside the registry, and rows that cannot be reported.
      for (int pageIndex : {-1, 1}) refused(pageIndex, 0);
      for (int hostIndex : {-1, 1, 2}) refused(0, hostIndex);
      // A page whose result is pending (cleared, restarted) or failed.
      for (int state : {psPending, psError}) {
        PageOf(mode).ResultState = state;
        refused(0, 0);
      }
      PageOf(mode).ResultState = psOk;
      EXPECT_EQ(Read("old.txt"), "old report");
      // The same calls with a resolved page and its answering row do write.
      EXPECT_TRUE(PageReportReady(mode, 0) && HostReportReady(mode, 0, 0));
      EXPECT_TRUE(SaveHostReport(mode, csv, PathOf("new"), 0, 0));
      EXPECT_TRUE(SavePageReport(mode, csv, PathOf("new"), 0, rmIpList));
    }
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"new", "old.txt"}));
}

TEST_F(ReportTest, FailedWriteKeepsTheOldReport) {
  AddPages();
  PingRegistry.At(0)->Hosts[0].Replies.assign(2000, SampleReplies()[0]);
  ASSERT_TRUE(WriteFileAtomically(PathOf("report.txt"), "old report").ok());
  fs::create_directory(dir / "folder.txt");

  // A folder where the report should go, a folder that does not exist.
  EXPECT_FALSE(SavePingReportTxt(PathOf("folder.txt"), 0, rmWithReplies));
  EXPECT_FALSE(SavePingReportTxt(PathOf("missing/report.txt"), 0, rmWithReplies));

  // The file-size limit stops the write half way, as a full disk would.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(SavePingReportTxt(PathOf("report.txt"), 0, rmWithReplies) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);  // the writer said it failed

  EXPECT_EQ(Read("report.txt"), "old report");
  EXPECT_TRUE(fs::is_directory(dir / "folder.txt"));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"folder.txt", "report.txt"}));
  // Without the limit the same report replaces it.
  EXPECT_TRUE(SavePingReportTxt(PathOf("report.txt"), 0, rmWithReplies));
  EXPECT_GT(fs::file_size(dir / "report.txt"), 4096u);
}

}  // namespace
