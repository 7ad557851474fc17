// The Ping tab with real echoes to loopback: Start, the live rows and
// replies, Stop, and what a Start click does to its editors. Qt Test drives
// the window (QTRY_COMPARE turns the event loop while the run reports);
// GoogleTest runs it as one case.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "engine/RunThread.h"
#include "pages/PageRegistry.h"
#include "platform/ProgramPaths.h"
#include "platform/SocketIcmpEcho.h"
#include "LiveWindow.h"
#include "ui/TFormPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"

namespace {

class PingTabRun : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!window_.Open()) QSKIP("no ICMP socket for IPv4 here");
    f_ = window_->FramePing1;
  }

  void cleanupTestCase() {
    window_.Close();
  }

  void startFillsTheRowAndTheRepliesLive() {
    SetUp("127.0.0.1", "abc", "0");
    f_->BitBtnStart->click();
    // The editor shows the value used: "abc" is no number, so 4 echoes.
    QCOMPARE(f_->EditRetries->text(), QString("4"));
    QTRY_COMPARE(Cell(0, 3), QString("4"));
    QCOMPARE(Row(0), (QStringList{"1", "127.0.0.1", " ", "4", "4", "0 (0%)", "0", "0", "0", "0"}));
    QTRY_VERIFY(Idle());
    QVERIFY(f_->BitBtnStart->isEnabled());
    QVERIFY(!f_->BitBtnStop->isEnabled());
    QCOMPARE(f_->Replies->Count(), 4);
    const QModelIndex lastReply = f_->Replies->index(3, 0);
    QCOMPARE(lastReply.data().toString(), QString("4"));
    QCOMPARE(lastReply.siblingAtColumn(2).data().toString(), QString("Success"));
    QCOMPARE(lastReply.siblingAtColumn(3).data().toString(), QString("127.0.0.1"));
    QCOMPARE(lastReply.siblingAtColumn(4).data().toString(), QString("32"));
    QCOMPARE(lastReply.siblingAtColumn(5).data().toString(), QString("64"));
  }

  void localhostGetsItsNameAndIpv6ItsRow() {
    SetUp("localhost", "3", "100");  // 300 ms of echoes: time for the reverse lookup
    f_->CheckBoxResolveHostName->setChecked(true);
    f_->BitBtnStart->click();
    QTRY_VERIFY(Idle());
    QVERIFY(f_->BitBtnStart->isEnabled());
    QCOMPARE(Cell(0, 1), QString("127.0.0.1"));
    QCOMPARE(Cell(0, 2), QString("localhost"));
    QCOMPARE(Cell(0, 4), QString("3"));

    SetUp("::1", "2", "0");
    f_->BitBtnStart->click();
    QTRY_VERIFY(Idle());
    QCOMPARE(Hosts().rowCount(), 1);
    QCOMPARE(Cell(0, 1), QString("::1"));
    QCOMPARE(Cell(0, 4), QString("2"));
    QCOMPARE(f_->Replies->index(1, 5).data().toString(), QString("0"));  // no TTL over IPv6
  }

  void stopFreezesTheRowAndFreesTheButtons() {
    SetUp("127.0.0.1", "1000", "50");
    f_->BitBtnStart->click();
    QTRY_VERIFY(f_->BitBtnStop->isEnabled());
    QTRY_VERIFY(Cell(0, 3).toInt() >= 2);
    f_->BitBtnStop->click();
    QVERIFY(f_->BitBtnStart->isEnabled());
    QVERIFY(!f_->BitBtnStop->isEnabled());
    const QString sent = Cell(0, 3);
    QTRY_COMPARE(RunThread::RunningThreads(), 0);
    QCOMPARE(Cell(0, 3), sent);
    QCOMPARE(PingRegistry.At(0)->Worker, nullptr);
  }

  void anEmptyHostStartsNothingAndTakesNoEditor() {
    SetUp("", "7", "0");
    const int runId = PingRegistry.At(0)->RunId;
    const QStringList before = Row(0);
    f_->BitBtnStart->click();
    QTest::qWait(100);
    QCOMPARE(PingRegistry.At(0)->RunId, runId);
    QVERIFY(PingRegistry.At(0)->Retries != 7);
    QCOMPARE(Row(0), before);
  }

 private:
  void SetUp(const QString& host, const QString& retries, const QString& delay) {
    f_->EditHost->setText(host);
    f_->RadioButtonRetries->setChecked(true);
    f_->EditRetries->setText(retries);
    f_->EditDelay->setText(delay);
    f_->CheckBoxResolveHostName->setChecked(false);
  }
  // The page's run has ended (its controller is forgotten at its end).
  static bool Idle() { return PingRegistry.At(0)->Worker == nullptr; }
  QAbstractItemModel& Hosts() const { return *f_->ListView1->model(); }
  QString Cell(int row, int column) const { return Hosts().index(row, column).data().toString(); }
  QStringList Row(int row) const {
    QStringList cells;
    for (int c = 0; c < Hosts().columnCount(); ++c) cells << Cell(row, c);
    return cells;
  }

  LiveWindow window_;
  TFramePing* f_ = nullptr;
};

TEST(PingTab, RunsAgainstLoopbackFromTheWindow) {
  PingTabRun test;
  EXPECT_EQ(QTest::qExec(&test), 0);
}

}  // namespace

#include "PingTabRun_test.moc"
