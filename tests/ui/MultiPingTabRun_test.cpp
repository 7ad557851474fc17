// The Multi ping tab with real echoes to loopback: hosts added from the
// editor, Start, every row filled live (or marked when its host does not
// resolve), the host buttons locked during the run, a host selection
// refilling the replies grid, Stop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
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
#include "ui/frames/TFrameMultiPing.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/RepliesModel.h"

namespace {

class MultiPingTabRun : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!window_.Open(IpFamily::V4) || !SystemIcmp().CanPing(IpFamily::V6))
      QSKIP("no ICMP socket for both families here");
    f_ = window_->FrameMultiPing1;
    for (const char* host : {"127.0.0.1", "::1", "localhost", "nohost.invalid"}) {
      f_->EditHost->setText(host);
      f_->BitBtnAdd->click();
    }
    QCOMPARE(Hosts().rowCount(), 4);
  }

  void cleanupTestCase() {
    window_.Close();
  }

  void everyHostGetsItsRowLiveAndTheButtonsFollowTheRun() {
    SetUp("3", "100");
    f_->BitBtnStart->click();
    QTRY_VERIFY(f_->BitBtnStop->isEnabled());
    QVERIFY(!f_->BitBtnStart->isEnabled());
    QVERIFY(!f_->BitBtnAdd->isEnabled());
    QVERIFY(!f_->BitBtnDelete->isEnabled());
    QTRY_VERIFY(f_->BitBtnStart->isEnabled());
    QVERIFY(f_->BitBtnAdd->isEnabled());
    QVERIFY(!f_->BitBtnStop->isEnabled());

    QCOMPARE(Row("127.0.0.1"), (QStringList{"127.0.0.1", "127.0.0.1", " ", "3", "3", "0 (0%)"}));
    QCOMPARE(Row("::1"), (QStringList{"::1", "::1", " ", "3", "3", "0 (0%)"}));
    QCOMPARE(Row("localhost").mid(0, 5), (QStringList{"localhost", "127.0.0.1", " ", "3", "3"}));
    QCOMPARE(Row("nohost.invalid").mid(0, 4), (QStringList{"nohost.invalid", "Host not found", " ", " "}));
    QCOMPARE(MultiPingRegistry.CurrentPage()->ResultState, 0);
  }

  void selectingAHostListsItsReplies() {
    const int row = RowOf("::1");
    f_->ListView1->selectionModel()->setCurrentIndex(
        Hosts().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(f_->Replies->Count(), 3);
    QCOMPARE(f_->Replies->index(2, 0).data().toString(), QString("3"));
    QCOMPARE(f_->Replies->index(2, 3).data().toString(), QString("::1"));
    QVERIFY(f_->BitBtnDelete->isEnabled());  // an idle page with a host selected

    // The next run keeps the selection and lists the new replies as they come.
    SetUp("2", "0");
    f_->BitBtnStart->click();
    QTRY_VERIFY(!MultiPingRegistry.CurrentPage()->Worker);
    QCOMPARE(f_->Replies->Count(), 2);
    QCOMPARE(f_->Replies->index(1, 3).data().toString(), QString("::1"));
  }

  void stopFreezesTheRows() {
    SetUp("1000", "50");
    f_->BitBtnStart->click();
    QTRY_VERIFY(Cell(RowOf("127.0.0.1"), 3).toInt() >= 2);
    f_->BitBtnStop->click();
    QVERIFY(f_->BitBtnStart->isEnabled());
    QVERIFY(f_->BitBtnAdd->isEnabled());
    const THostResult& host = MultiPingRegistry.CurrentPage()->Hosts[0];
    QCOMPARE(host.Host, std::string("127.0.0.1"));
    const std::uint32_t sent = host.Sent;
    QTRY_COMPARE(RunThread::RunningThreads(), 0);
    QTest::qWait(200);  // longer than the rows' batching
    // No late echo reached the record, and the row shows what it holds.
    QCOMPARE(host.Sent, sent);
    QCOMPARE(Cell(RowOf("127.0.0.1"), 3), QString::number(sent));
  }

 private:
  void SetUp(const QString& retries, const QString& delay) {
    f_->RadioButtonRetries->setChecked(true);
    f_->EditRetries->setText(retries);
    f_->EditDelay->setText(delay);
    f_->CheckBoxResolveHostName->setChecked(false);
  }
  QAbstractItemModel& Hosts() const { return *f_->ListView1->model(); }
  QString Cell(int row, int column) const { return Hosts().index(row, column).data().toString(); }
  int RowOf(const QString& host) const {
    for (int r = 0; r < Hosts().rowCount(); ++r)
      if (Cell(r, 0) == host) return r;
    return -1;
  }
  // The first six cells of the host's row: host, address, name, sent, received, lost.
  QStringList Row(const QString& host) const {
    QStringList cells;
    const int row = RowOf(host);
    for (int c = 0; c < 6; ++c) cells << Cell(row, c);
    return cells;
  }

  LiveWindow window_;
  TFrameMultiPing* f_ = nullptr;
};

TEST(MultiPingTab, RunsAgainstLoopbackFromTheWindow) {
  MultiPingTabRun test;
  EXPECT_EQ(QTest::qExec(&test), 0);
}

}  // namespace

#include "MultiPingTabRun_test.moc"
