// The Trace route and Path ping tabs run from the window with real echoes,
// inside namespaces of the test's own: client - router 1 - router 2 -
// target, and the client's loopback. The whole window lives in the client's
// namespace, so every run thread it starts does too. Qt Test drives the
// window (QTRY_* turns the event loop while runs report); GoogleTest runs it
// as one case.
#include <gtest/gtest.h>
#include <unistd.h>

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
#include <optional>

#include "engine/RunThread.h"
#include "pages/PageRegistry.h"
#include "pages/TextHelpers.h"
#include "platform/ProgramPaths.h"
#include "platform/SocketIcmpEcho.h"
#include "support/TestNetwork.h"
#include "LiveWindow.h"
#include "ui/TFormPing.h"
#include "ui/frames/TFramePathPing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"

namespace {

constexpr int RunTimeoutMs = 20000;

class HopTabRun : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!TestNetwork::Unavailable().empty()) QSKIP("network namespaces are not available here");
    chain_.emplace(network_, 2);
    QVERIFY(chain_->ok());
    QVERIFY(network_.AllowDatagramPing(chain_->Client()));
    inside_.emplace(chain_->Client());
    QVERIFY(inside_->ok());
    if (!window_.Open()) QSKIP("no ICMP socket here");
  }

  void cleanupTestCase() {
    window_.Close();
    inside_.reset();
  }

  void traceRouteShowsBothRoutersThenTheTarget() {
    THopFrame* f = window_->FrameTraceroute1;
    const std::string target = Ipv4ToString(chain_->TargetIpv4());
    SetUp(f, target, "6");
    f->BitBtnStart->click();
    QTRY_VERIFY(f->BitBtnStop->isEnabled() && !f->BitBtnStart->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(Idle(TracerouteRegistry), RunTimeoutMs);
    QVERIFY(f->BitBtnStart->isEnabled());
    QVERIFY(!f->BitBtnStop->isEnabled());
    const std::string hops[] = {Ipv4ToString(RoutedChain::RouterIpv4(1)),
                                Ipv4ToString(RoutedChain::RouterIpv4(2)), target};
    QCOMPARE(f->Hosts->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
      QCOMPARE(Row(f, row).mid(0, 6),
               (QStringList{QString::number(row + 1), QString::fromStdString(hops[row]), " ", "2", "2",
                            "0 (0%)"}));
    }
    QCOMPARE(TracerouteRegistry.At(0)->DestinationHop, 3);
    // Hop 1's replies fill the grid as they come; choosing hop 2 shows its own.
    QCOMPARE(f->Replies->Count(), 2);
    QCOMPARE(f->Replies->Text(0, 2), QString("Success"));
    QCOMPARE(f->Replies->Text(0, 3), QString::fromStdString(hops[0]));
    f->ListView1->selectionModel()->select(f->Hosts->index(1, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(f->Replies->Count(), 2);
    QCOMPARE(f->Replies->Text(1, 3), QString::fromStdString(hops[1]));
  }

  void pathPingShowsBothRoutersThenTheTargetOverIpv6() {
    THopFrame* f = window_->FramePathPing1;
    const Ipv6Octets targetAddress = chain_->TargetIpv6();
    const std::string target = Ipv6ToString(&targetAddress);
    SetUp(f, target, "5");
    f->BitBtnStart->click();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(PathPingRegistry), RunTimeoutMs);
    const Ipv6Octets router1 = RoutedChain::RouterIpv6(1);
    const Ipv6Octets router2 = RoutedChain::RouterIpv6(2);
    const std::string hops[] = {Ipv6ToString(&router1), Ipv6ToString(&router2), target};
    QCOMPARE(f->Hosts->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
      QCOMPARE(Row(f, row).mid(0, 6),
               (QStringList{QString::number(row + 1), QString::fromStdString(hops[row]), " ", "2", "2",
                            "0 (0%)"}));
    }
    QCOMPARE(f->Replies->Count(), 2);
    QCOMPARE(f->Replies->Text(0, 5), QString("0"));  // no TTL over IPv6
  }

  void traceRouteToLoopbackEndsAtTheFirstHop() {
    THopFrame* f = window_->FrameTraceroute1;
    SetUp(f, "127.0.0.1", "4");
    f->BitBtnStart->click();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(TracerouteRegistry), RunTimeoutMs);
    QCOMPARE(f->Hosts->rowCount(), 1);
    QCOMPARE(Row(f, 0).mid(0, 5), (QStringList{"1", "127.0.0.1", " ", "2", "2"}));
    QCOMPARE(TracerouteRegistry.At(0)->DestinationHop, 1);
  }

 private:
  static void SetUp(THopFrame* f, const std::string& host, const QString& hops) {
    f->EditHost->setText(QString::fromStdString(host));
    f->EditHops->setText(hops);
    f->RadioButtonRetries->setChecked(true);
    f->EditRetries->setText("2");
    f->EditDelay->setText("0");
    f->EditTimeOut->setText("500");
    f->CheckBoxResolveHostName->setChecked(false);
  }
  // The shown page's run has ended (its controller is forgotten at its end).
  static bool Idle(const TPingRegistry& registry) { return registry.At(0)->Worker == nullptr; }
  static QStringList Row(THopFrame* f, int row) {
    QStringList cells;
    for (int c = 0; c < f->Hosts->columnCount(); ++c) cells << f->Hosts->index(row, c).data().toString();
    return cells;
  }

  TestNetwork network_;
  std::optional<RoutedChain> chain_;
  std::optional<NetnsScope> inside_;
  LiveWindow window_;
};

TEST(HopTabs, RunThroughTwoRoutersFromTheWindow) {
  HopTabRun test;
  EXPECT_EQ(QTest::qExec(&test), 0);
}

}  // namespace

#include "HopTabRun_test.moc"
