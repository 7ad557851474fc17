#include "automation/FinishActions.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "AutomationTestSupport.h"
#include "pages/Settings.h"
#include "support/Waits.h"

namespace {

using Log = std::vector<std::string>;

// Every service call is logged as one line; arguments of a program in [].
class FinishActions : public ::testing::Test {
 protected:
  void SetUp() override {
    FinishActionServices s;
    s.SaveReport = [this](Mode, bool csv, const std::string& name, int index, int reportMode) {
      log.push_back("save " + name + (csv ? " csv " : " txt ") + std::to_string(index) + " " +
                    std::to_string(reportMode));
      return writes;
    };
    s.StartProgram = [this](const std::string& program, const std::vector<std::string>& arguments) {
      log.push_back("start " + program);
      for (const std::string& a : arguments) log.back() += " [" + a + "]";
      return true;
    };
    s.OpenDocument = [this](const std::string& document) { log.push_back("open " + document); };
    SetFinishActionServices(std::move(s));
  }
  void TearDown() override { SetFinishActionServices({}); }

  // Page 1 of the mode, its target resolved, "Save result to file" on.
  TPageCommon& FinishedPage(Mode mode, const std::string& name = "p") {
    ResetPagesAndOptions();
    GlobalOptions.ResultFolder = "/reports/";
    log.clear();
    AddTestPage(mode, "before");
    TPageCommon& page = AddTestPage(mode, name);
    page.ResultState = psOk;
    page.SaveResult = true;
    page.StartTime = LocalTime(2026, 12, 5, 8, 4, 9);
    page.EndTime = LocalTime(2026, 12, 5, 8, 15, 40);
    return page;
  }

  bool writes = true;
  Log log;
};

TEST_F(FinishActions, ReportNamesAndModes) {
  struct Case {
    Mode mode;
    bool replies, ipList;
    int format;
    const char* saved;
  } cases[] = {
      {Mode::Ping, true, false, 0,
       "save /reports/Ping_p_replies_2026y12m05d08h04m09s-2026y12m05d08h15m40s.txt txt 1 0"},
      {Mode::MultiPing, true, true, 1,
       "save /reports/MultiPing_p_replies_2026y12m05d08h04m09s-2026y12m05d08h15m40s.csv csv 1 0"},
      {Mode::RangePing, false, true, 7,
       "save /reports/RangePing_p_iplist_2026y12m05d08h04m09s-2026y12m05d08h15m40s.csv csv 1 2"},
      {Mode::Traceroute, false, false, 0,
       "save /reports/Traceroute_p_2026y12m05d08h04m09s-2026y12m05d08h15m40s.txt txt 1 1"},
      {Mode::PathPing, false, true, 0,
       "save /reports/PathPing_p_iplist_2026y12m05d08h04m09s-2026y12m05d08h15m40s.txt txt 1 2"},
  };
  for (const Case& c : cases) {
    TPageCommon& page = FinishedPage(c.mode);
    page.ResultWithReplys = c.replies;
    page.ResultIpList = c.ipList;
    page.ResultFormat = c.format;
    RunFinishActionsOf(c.mode, 1);
    EXPECT_EQ(log, Log{c.saved});
  }
}

TEST_F(FinishActions, WithoutAWrittenReportTheProgramGetsAnEmptyPath) {
  const std::string start = "start sh [-c] [echo $0] []";
  struct Case {
    bool saveResult;
    int resultState;
    bool writes;
    Log log;
  } cases[] = {
      {false, psOk, true, {start}},
      {true, psPending, true, {start}},
      {true,
       psOk,
       false,
       {"save /reports/Ping_p_replies_2026y12m05d08h04m09s-2026y12m05d08h15m40s.csv csv 1 0", start}},
  };
  for (const Case& c : cases) {
    TPageCommon& page = FinishedPage(Mode::Ping);
    writes = c.writes;
    page.SaveResult = c.saveResult;
    page.ResultState = c.resultState;
    page.ExecuteProgram = true;
    page.ExecPath = "sh";  // found along PATH
    page.ExecParam = "-c \"echo $0\" %PATH \"%PATH\"";
    RunFinishActionsOf(Mode::Ping, 1);
    RunFinishActionsOf(Mode::Ping, 2);  // no such page: nothing at all
    EXPECT_EQ(log, c.log);
  }
}

TEST_F(FinishActions, APathThatIsNoProgramIsOpenedAsADocumentWithoutArguments) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString(),
                    save =
                        "save /reports/Ping_p_replies_2026y12m05d08h04m09s-2026y12m05d08h15m40s.csv csv 1 0";
  struct Case {
    std::string path;
    bool writes;
    Log log;
  } cases[] = {
      {"%PATH", true, {save, "open /reports/Ping_p_replies_2026y12m05d08h04m09s-2026y12m05d08h15m40s.csv"}},
      {"%PATH", false, {save}},
      {folder, true, {save, "open " + folder}},
      {"/no/such", true, {save, "open /no/such"}},
  };
  for (const Case& c : cases) {
    TPageCommon& page = FinishedPage(Mode::Ping);
    writes = c.writes;
    page.ExecuteProgram = true;
    page.ExecPath = c.path;
    page.ExecParam = "--ignored %PATH";
    RunFinishActionsOf(Mode::Ping, 1);
    EXPECT_EQ(log, c.log);
  }
}

// Through the real launcher: the report's path arrives as one argument, and
// nothing in it is run by a shell.
TEST_F(FinishActions, TheRealLauncherPassesThePathUntouched) {
  EnsureTestApplication();
  QTemporaryDir dir;
  const QString script = dir.filePath("record.sh"), out = dir.filePath("arguments");
  QFile file(script);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; } > \"$0.part\"\n"
      "mv \"$0.part\" \"$(dirname \"$0\")/arguments\"\n");
  file.close();
  ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  const std::string pwned = dir.filePath("pwned").toStdString();

  TPageCommon& page = FinishedPage(Mode::Ping, "it's `true`  a");
  GlobalOptions.ResultFolder = dir.path().toStdString() + "/r \"q\" $(touch " + pwned + ")/";
  FinishActionServices s;
  s.SaveReport = [](Mode, bool, const std::string&, int, int) { return true; };
  SetFinishActionServices(std::move(s));
  page.ExecuteProgram = true;
  page.ExecPath = script.toStdString();
  page.ExecParam = "%PATH \"two words\"";
  RunFinishActionsOf(Mode::Ping, 1);

  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(out); }));
  QFile result(out);
  ASSERT_TRUE(result.open(QIODevice::ReadOnly));
  const std::string report = GlobalOptions.ResultFolder +
                             "Ping_it's `true`  a_replies_2026y12m05d08h04m09s-2026y12m05d08h15m40s.csv";
  EXPECT_EQ(result.readAll().toStdString(), "2\n[" + report + "]\n[two words]\n");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pwned)));
}

}  // namespace
