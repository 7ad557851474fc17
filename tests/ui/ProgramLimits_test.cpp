// The real program under an open-file limit: a container's, its pools
// asking for more sockets than the limit allows, ended by a session end; a
// low one, under which a long trace cannot have a socket for every hop.

#include "ProgramRunFixture.h"
#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"

namespace {

// An open-file limit that leaves the program sockets for some of 30 hops.
constexpr int LowOpenFileLimit = 40;

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

// Trace route over 30 hops through namespaces where nothing answers: the
// router sends no "time exceeded" and the target ignores echoes, so every
// hop with a socket is a silent one. Under the low limit most hops get no
// socket; the run that starts at start-up says on stderr how many, and
// leaves no report that would show them as silent routers.
TEST_F(ProgramRun, ATraceWhoseHopsCannotAllHaveASocketSaysHowManyAndSavesNoReport) {
  TestNetwork network;
  const RoutedChain chain(network, 1);
  ASSERT_TRUE(chain.ok());
  ASSERT_TRUE(network.SilenceTimeExceeded(chain.Router(1)));
  ASSERT_TRUE(network.Sysctl(chain.Router(2), "net.ipv4.icmp_echo_ignore_all=1"));  // the target's node
  std::unique_ptr<TPingPage> page = DefaultPingPage(Mode::Traceroute);
  page->Name = "silent path";
  page->Host = Ipv4ToString(chain.TargetIpv4());
  page->Hops = 30;
  page->Retries = 1;
  page->TimeOut = 100;
  page->Delay = 0;
  page->ResolveHostName = false;
  page->StartOnStartup = page->SaveResult = true;
  WriteOnlyPage(Mode::Traceroute, *page);
  ASSERT_TRUE(QDir(Folder() + "/Results").removeRecursively());

  auto process =
      Launch(QProcess::SeparateChannels, {"ip", "netns", "exec", QString::fromStdString(chain.Client()),
                                          "prlimit", QString("--nofile=%1:%1").arg(LowOpenFileLimit)});
  QByteArray said = StderrUntilToldOrReported(*process);
  EndBySigterm(*process);
  said += process->readAllStandardError();

  const QStringList lines = OwnLines(said);
  EXPECT_EQ(lines.size(), 1) << said.toStdString();
  const QRegularExpression told(
      "^velquor: the page \"silent path\" of the Trace route tab could not run: "
      "([1-9]\\d* of its 30 hops could not|none of its 30 hops could) open an echo socket$");
  EXPECT_TRUE(told.match(lines.value(0)).hasMatch()) << lines.value(0).toStdString();
  EXPECT_EQ(Reports(), QStringList());
}

}  // namespace
