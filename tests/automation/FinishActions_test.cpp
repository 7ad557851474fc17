#include "automation/FinishActions.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "AutomationTestSupport.h"
#include "platform/FileIo.h"

namespace {

using Log = std::vector<std::string>;
const std::string Stamp = "_2026y12m05d08h04m09s-2026y12m05d08h15m40s";

// Every service call is logged as one line; arguments of a program in [].
class FinishActions : public ::testing::Test {
 protected:
  void SetUp() override {
    FinishActionServices s;
    s.SaveReport = [this](Mode, bool csv, const std::string& name, int index, int reportMode,
                          std::string& written) {
      log.push_back("save " + name + (csv ? " csv " : " txt ") + std::to_string(index) + " " +
                    std::to_string(reportMode));
      written = name;
      // On disk, as the report a document "Path:" opens must be.
      return writes ? WriteFileAtomically(name, "") : Status::Failure(Status::Kind::IoError, "disk full");
    };
    s.StartProgram = [this](const std::string& program, const std::vector<std::string>& arguments) {
      log.push_back("start " + program);
      for (const std::string& a : arguments) log.back() += " [" + a + "]";
      return Status::Success();
    };
    s.OpenDocument = [this](const std::string& document) {
      log.push_back("open " + document);
      return true;
    };
    SetFinishActionServices(std::move(s));
  }
  void TearDown() override { SetFinishActionServices({}); }

  // Page 1 of the mode, its target resolved, "Save result to file" on.
  TPageCommon& FinishedPage(Mode mode) {
    ResetPagesAndOptions();
    GlobalOptions.ResultFolder = reports;
    log.clear();
    AddTestPage(mode, "before");
    TPageCommon& page = AddTestPage(mode, "p");
    page.ResultState = psOk, page.SaveResult = true;
    page.StartTime = LocalTime(2026, 12, 5, 8, 4, 9);
    page.EndTime = LocalTime(2026, 12, 5, 8, 15, 40);
    return page;
  }
  // The actions of page 1, then of a page that does not exist.
  Log Finish(Mode mode) {
    RunFinishActionsOf(mode, 1);
    RunFinishActionsOf(mode, 2);
    return log;
  }

  bool writes = true;
  Log log;
  QTemporaryDir dir;
  const std::string reports = dir.path().toStdString() + "/";
};

TEST_F(FinishActions, ReportNamesAndModes) {
  // Mode, with replies, IP list, ResultFormat; the file name around the stamp, the rest of the call.
  const std::tuple<Mode, bool, bool, int, const char*, const char*> cases[] = {
      {Mode::Ping, true, false, 0, "Ping_p_replies", ".txt txt 1 0"},
      {Mode::MultiPing, true, true, 1, "MultiPing_p_replies", ".csv csv 1 0"},
      {Mode::RangePing, false, true, 7, "RangePing_p_iplist", ".csv csv 1 2"},
      {Mode::Traceroute, false, false, 0, "Traceroute_p", ".txt txt 1 1"},
      {Mode::PathPing, false, true, 0, "PathPing_p_iplist", ".txt txt 1 2"},
  };
  for (const auto& [mode, replies, ipList, format, name, call] : cases) {
    TPageCommon& page = FinishedPage(mode);
    page.ResultWithReplys = replies, page.ResultIpList = ipList, page.ResultFormat = format;
    EXPECT_EQ(Finish(mode), Log{"save " + reports + name + Stamp + call});
  }
}

// The program gets the report's path only when the report was written; a
// path that names no program is opened as a document, without arguments,
// but one that names nothing is started, so that the start says why it fails.
TEST_F(FinishActions, TheUsersProgramGetsThePathOfAWrittenReportOnly) {
  const std::string report = reports + "Ping_p_replies" + Stamp + ".csv",
                    save = "save " + report + " csv 1 0";
  const std::string withoutPath = "start sh [-c] [echo $0] []";
  // SaveResult, ResultState, whether the report is written, "Path:".
  const std::tuple<bool, int, bool, std::string, Log> cases[] = {
      {true, psOk, true, "sh", {save, "start sh [-c] [echo $0] [" + report + "] [" + report + "]"}},
      {false, psOk, true, "sh", {withoutPath}},
      {true, psPending, true, "sh", {withoutPath}},
      {true, psOk, false, "sh", {save, withoutPath}},
      {true, psOk, true, "%PATH", {save, "open " + report}},
      {true, psOk, false, "%PATH", {save}},
      {true, psOk, true, "/tmp", {save, "open /tmp"}},
      {true,
       psOk,
       true,
       "/no/such/tool",
       {save, "start /no/such/tool [-c] [echo $0] [" + report + "] [" + report + "]"}},
      {true, psOk, true, "HTTPS://velquor.example.org/", {save, "open HTTPS://velquor.example.org/"}},
  };
  for (const auto& [saveResult, state, written, path, expected] : cases) {
    TPageCommon& page = FinishedPage(Mode::Ping);
    writes = written;
    page.SaveResult = saveResult, page.ResultState = state, page.ExecuteProgram = true;
    page.ExecPath = path;  // "sh" is found along PATH
    page.ExecParam = "-c \"echo $0\" %PATH \"%PATH\"";
    EXPECT_EQ(Finish(Mode::Ping), expected) << path;
  }
}

// A program asked for but left with nothing to start is told like one that
// cannot be started: the user expects something to happen.
TEST_F(FinishActions, APathLeftWithNothingToStartSaysSo) {
  const std::string why = "velquor: nothing was started for the page \"p\": \"Path:\" ";
  // SaveResult, "Path:", what stderr gets.
  const std::tuple<bool, std::string, std::string> cases[] = {
      {false, "%PATH", why + "names only the report, and none was written\n"},
      {true, "", why + "is empty\n"},
      {false, "sh", ""},
  };
  for (const auto& [saveResult, path, said] : cases) {
    TPageCommon& page = FinishedPage(Mode::Ping);
    page.SaveResult = saveResult, page.ExecuteProgram = true, page.ExecPath = path;
    ::testing::internal::CaptureStderr();
    Finish(Mode::Ping);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), said) << path;
  }
}

// With the real writer: a missing result folder is made, runs of one page
// name that end in the same second each keep their report, and a report that
// cannot be written (root writes anywhere: a file stands where the folder
// should be) says so on stderr.
TEST_F(FinishActions, EveryEndOfRunReportIsKeptUnderAFreeNameAndAFailedOneSaysSo) {
  FinishActionServices real;
  real.StartProgram = [this](const std::string&, const std::vector<std::string>& arguments) {
    log.push_back(arguments.at(0));
    return Status::Success();
  };
  SetFinishActionServices(std::move(real));
  TPageCommon& page = FinishedPage(Mode::Ping);
  TPageCommon& twin = AddTestPage(Mode::Ping, "p");
  twin.ResultState = psOk, twin.SaveResult = true, twin.StartTime = page.StartTime,
  twin.EndTime = page.EndTime;
  for (TPageCommon* p : {&page, &twin})
    p->ExecuteProgram = true, p->ExecPath = "sh", p->ExecParam = "\"%PATH\"";
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/made/deeper/";
  GlobalOptions.ResultFolder = folder;
  for (int pageIndex : {1, 2, 1}) RunFinishActionsOf(Mode::Ping, pageIndex);
  const std::string name = folder + "Ping_p_replies" + Stamp;  // the page's defaults: with replies, CSV
  EXPECT_EQ(log, (Log{name + ".csv", name + "_2.csv", name + "_3.csv"}));
  for (const std::string& report : log) EXPECT_TRUE(ReadFilePrefix(report, 100).has_value()) << report;

  ASSERT_TRUE(WriteFileAtomically(dir.path().toStdString() + "/file", "").ok());
  GlobalOptions.ResultFolder = dir.path().toStdString() + "/file/sub/";
  log.clear();
  ::testing::internal::CaptureStderr();
  RunFinishActionsOf(Mode::Ping, 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "velquor: the report " + GlobalOptions.ResultFolder + "Ping_p_replies" + Stamp +
                ".csv was not saved: cannot create " + dir.path().toStdString() +
                "/file/sub: Not a directory\n");
  EXPECT_EQ(log, Log{""});
}

}  // namespace
