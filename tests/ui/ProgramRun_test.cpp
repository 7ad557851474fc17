// Starts the real program as a user would, in a folder of its own.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "pages/PageRegistry.h"
#include "platform/FileIo.h"

#ifndef VELQUOR_BINARY
#error "VELQUOR_BINARY must name the program under test"
#endif

namespace {

constexpr int StartTimeoutMs = 30000;

class ProgramRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    // The runtime folder holds the single-instance lock and socket: one of
    // our own keeps this test apart from a Velquor the user may be running.
    runtime_ = root_.path() + "/run";
    ASSERT_TRUE(QDir().mkpath(runtime_));
    QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // A copy of the program in `folder`: it keeps Config and Results there.
  QString Install(const QString& folder) {
    EXPECT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/velquor";
    EXPECT_TRUE(QFile::copy(VELQUOR_BINARY, path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }

  std::unique_ptr<QProcess> Launch(const QString& program) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime_);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, {});
    EXPECT_TRUE(process->waitForStarted());
    return process;
  }

  // The program has finished its start-up once its result folder exists.
  static bool WaitUntilRunning(QProcess& process, const QString& folder) {
    QDeadlineTimer deadline(StartTimeoutMs);
    while (!QDir(folder + "/Results").exists()) {
      // Waiting on the process also notices when it ended early.
      if (deadline.hasExpired() || process.waitForFinished(50)) return false;
    }
    return true;
  }

  static bool EndsCleanly(QProcess& process) {
    return process.waitForFinished(StartTimeoutMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
  }

  QTemporaryDir root_;
  QString runtime_;
};

TEST_F(ProgramRunTest, TermSignalSavesEveryPageFileAndTheSettings) {
  const QString folder = root_.path() + "/app";
  const QString program = Install(folder);
  // Pages from an earlier run: they must come back and be written again.
  TPingRegistry earlier(Mode::Traceroute);
  TPingPage page;
  page.Name = "Route A";
  page.Host = "127.0.0.1";
  ASSERT_TRUE(AddPage(earlier, page));
  page.Name = "Route B";
  page.Host = "::1";
  ASSERT_TRUE(AddPage(earlier, page));
  const std::string config = (folder + "/Config").toStdString();
  ASSERT_TRUE(SavePages(earlier, config).ok());

  auto process = Launch(program);
  ASSERT_TRUE(WaitUntilRunning(*process, folder));
  ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
  ASSERT_TRUE(EndsCleanly(*process));

  for (const Mode mode : AllModes)
    EXPECT_TRUE(QFile::exists(QString::fromStdString(config + "/" + PageFileName(mode))))
        << PageFileName(mode);
  TPingRegistry ping(Mode::Ping);
  ASSERT_TRUE(LoadPages(ping, config).ok());
  ASSERT_EQ(ping.Count(), 1);
  EXPECT_EQ(ping.At(0)->Name, "New page");
  TRangeRegistry range(Mode::RangePing);
  ASSERT_TRUE(LoadPages(range, config).ok());
  ASSERT_EQ(range.Count(), 1);
  EXPECT_EQ(range.At(0)->Threads, 10);
  TPingRegistry trace(Mode::Traceroute);
  ASSERT_TRUE(LoadPages(trace, config).ok());
  ASSERT_EQ(trace.Count(), 2);
  EXPECT_EQ(trace.At(0)->Name, "Route A");
  EXPECT_EQ(trace.At(1)->Host, "::1");

  const auto ini = ReadFilePrefix(config + "/config.ini", 1 << 20);
  ASSERT_TRUE(ini);
  EXPECT_NE(ini->find("[MAIN]"), std::string::npos);
  EXPECT_NE(ini->find("Width="), std::string::npos);
  EXPECT_NE(ini->find("ResultFolder=" + folder.toStdString() + "/Results/"), std::string::npos);
  EXPECT_EQ(QDir(QString::fromStdString(config)).entryList(QDir::Files).size(), 6);
}

TEST_F(ProgramRunTest, LaterStartsHandOverAndEndWhileTheFirstRuns) {
  // A lock left behind by a copy that crashed does not keep the next one out.
  QProcess gone;
  gone.start("/bin/true", {});
  ASSERT_TRUE(gone.waitForStarted());
  const qint64 deadPid = gone.processId();
  ASSERT_TRUE(gone.waitForFinished());
  QFile stale(runtime_ + "/velquor.lock");
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write(QByteArray::number(deadPid) + "\nvelquor\n\n");
  stale.close();

  const QString folder = root_.path() + "/app";
  const QString program = Install(folder);
  auto first = Launch(program);
  ASSERT_TRUE(WaitUntilRunning(*first, folder));

  auto second = Launch(program);
  EXPECT_TRUE(EndsCleanly(*second));
  const QString otherFolder = root_.path() + "/other";
  auto other = Launch(Install(otherFolder));
  EXPECT_TRUE(EndsCleanly(*other));
  // The later starts opened no window and wrote nothing of their own.
  EXPECT_FALSE(QDir(otherFolder + "/Results").exists());
  EXPECT_FALSE(QDir(otherFolder + "/Config").exists());
  EXPECT_EQ(first->state(), QProcess::Running);

  ::kill(static_cast<pid_t>(first->processId()), SIGHUP);
  EXPECT_TRUE(EndsCleanly(*first));
  EXPECT_TRUE(QFile::exists(folder + "/Config/config.ini"));
  EXPECT_FALSE(QFile::exists(runtime_ + "/velquor.lock"));
}

}  // namespace
