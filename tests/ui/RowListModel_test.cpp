#include "ui/models/RowListModel.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include "pages/PageOperations.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/PageListModel.h"

namespace {

using Order = RowListModel::Order;
using Images = RowListModel::Images;

QStringList Headers(int n) {
  QStringList h;
  for (int i = 0; i < n; ++i) h << QString::number(i);
  return h;
}

QStringList Column0(const RowListModel& m) {
  QStringList out;
  for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, 0).data().toString();
  return out;
}

struct Tested {
  explicit Tested(RowListModel& m) : tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal) {}
  QAbstractItemModelTester tester;
};

TEST(RowListModel, KeyOrderIsSignedHostSlot) {
  RowListModel m(Headers(2), Order::ByKey, Images::Result);
  Tested t(m);
  for (int key : {3, 0, 2}) m.AppendRow({key, {std::to_string(key), "x"}, 2});
  EXPECT_EQ(Column0(m), (QStringList{"0", "2", "3"}));
  m.AppendRow({-1, {"-1"}, 2});
  EXPECT_EQ(Column0(m).first(), "-1");
}

TEST(RowListModel, UnsignedKeyOrderSortsAddresses) {
  RowListModel m(Headers(9), Order::ByUnsignedKey, Images::Result);
  Tested t(m);
  for (const char* address : {"10.0.0.10", "192.168.0.1", "128.0.0.1", "10.0.0.2", "127.255.255.255"}) {
    in_addr a{};
    inet_pton(AF_INET, address, &a);
    m.AppendRow({static_cast<std::int64_t>(ntohl(a.s_addr)), {address}, 2});
  }
  EXPECT_EQ(Column0(m),
            (QStringList{"10.0.0.2", "10.0.0.10", "127.255.255.255", "128.0.0.1", "192.168.0.1"}));
}

TEST(RowListModel, CaptionOrderKeepsDataAndFollowsRenames) {
  RowListModel m(Headers(2), Order::ByCaption, Images::Result);
  Tested t(m);
  const ListHandle mail = m.AppendRow({0, {"mail"}, 2});
  const ListHandle gateway = m.AppendRow({1, {"gateway"}, 2});
  const ListHandle dns = m.AppendRow({2, {"dns"}, 2});
  EXPECT_EQ(Column0(m), (QStringList{"dns", "gateway", "mail"}));
  EXPECT_EQ(m.Key(dns), 2);

  const QPersistentModelIndex mailRow = m.IndexOf(mail);
  QSignalSpy moved(&m, &QAbstractItemModel::rowsMoved);
  const std::string renamed = "a-mail";
  m.SetTexts(mail, 0, std::span<const std::string>(&renamed, 1));
  EXPECT_EQ(Column0(m), (QStringList{"a-mail", "dns", "gateway"}));
  EXPECT_EQ(moved.count(), 1);
  EXPECT_EQ(mailRow.row(), 0);
  EXPECT_EQ(m.RowOf(gateway), 2);

  // Equal captions keep the order in which they came.
  const ListHandle second = m.AppendRow({7, {"dns"}, 2});
  EXPECT_EQ(m.RowOf(second), m.RowOf(dns) + 1);
}

TEST(RowListModel, HandlesStayValidAndAreNeverReused) {
  RowListModel m(Headers(3), Order::ByKey, Images::Result);
  Tested t(m);
  const ListHandle a = m.AppendRow({5, {"a"}, 2});
  const ListHandle b = m.AppendRow({1, {"b"}, 2});
  EXPECT_EQ(m.RowOf(a), 1);
  m.RemoveRow(b);
  EXPECT_FALSE(m.Contains(b));
  EXPECT_EQ(m.RowOf(a), 0);

  // A stale handle changes nothing and raises nothing.
  QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
  const std::vector<std::string> texts{"x", "y"};
  m.SetTexts(b, 1, texts);
  m.SetImage(b, 4);
  m.RemoveRow(b);
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(m.Count(), 1);

  const ListHandle c = m.AppendRow({1, {"c"}, 2});
  EXPECT_NE(c, b);
  m.SetTexts(a, 1, texts);
  EXPECT_EQ(m.Text(a, 1), "x");
  EXPECT_EQ(m.Text(a, 2), "y");
  EXPECT_EQ(changed.count(), 1);
  // Texts past the last column are dropped.
  const std::vector<std::string> many{"1", "2", "3"};
  m.SetTexts(a, 1, many);
  EXPECT_EQ(m.Text(a, 2), "2");

  m.SetKey(c, 9);
  EXPECT_EQ(m.RowOf(c), 1);
  m.Clear();
  EXPECT_EQ(m.Count(), 0);
  EXPECT_FALSE(m.Contains(a));
}

TEST(RowListModel, ReplaceRowsSortsAndReturnsHandlesInInputOrder) {
  RowListModel m(Headers(2), Order::ByKey, Images::Result);
  Tested t(m);
  m.AppendRow({0, {"old"}, 2});
  QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
  const std::vector<ListHandle> handles = m.ReplaceRows({{2, {"two"}, 2}, {0, {"zero"}, 4}, {1, {"one"}, 2}});
  EXPECT_EQ(reset.count(), 1);
  ASSERT_EQ(handles.size(), 3u);
  EXPECT_EQ(Column0(m), (QStringList{"zero", "one", "two"}));
  EXPECT_EQ(m.Text(handles[0], 0), "two");
  EXPECT_EQ(m.Image(handles[1]), 4);
}

TEST(RowListModel, RolesServeTextHintAndImage) {
  RowListModel m(Headers(2), Order::ByKey, Images::Result);
  Tested t(m);
  m.AppendRow({0, {"1", "10.0.0.1"}, 2});
  EXPECT_EQ(m.index(0, 1).data(Qt::ToolTipRole).toString(), "10.0.0.1");
  EXPECT_FALSE(m.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
  EXPECT_FALSE(m.index(0, 1).data(Qt::DecorationRole).isValid());
  EXPECT_EQ(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "1");
}

TEST(PageListModel, FollowsTheRegistryOperations) {
  PageListModel m;
  Tested t(m);
  QSignalSpy caption(&m, &PageListModel::ParamCaptionChanged);
  TPingRegistry registry(Mode::Ping);
  registry.List = &m;
  TPingPage tmpl;
  for (const char* name : {"Office", "Branch", "Lab"}) {
    tmpl.Name = name;
    ASSERT_TRUE(AddPage(registry, tmpl));
  }
  EXPECT_EQ(Column0(m), (QStringList{"Branch", "Lab", "Office"}));
  EXPECT_EQ(m.Key(registry.Pages[0]->ListItem), registry.Pages[0]->Id);
  EXPECT_EQ(m.Image(registry.Pages[0]->ListItem), 0);
  EXPECT_FALSE(m.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

  registry.Current = 0;
  RenamePage(registry, 0, "Accounts");
  EXPECT_EQ(Column0(m), (QStringList{"Accounts", "Branch", "Lab"}));
  ASSERT_EQ(caption.count(), 1);
  EXPECT_EQ(caption.at(0).at(0).toString(), "Accounts");
  RenamePage(registry, 2, "Zoo");  // not the current page: no caption change
  EXPECT_EQ(caption.count(), 1);

  RemovePage(registry, 1);
  EXPECT_EQ(Column0(m), (QStringList{"Accounts", "Zoo"}));
  registry.List = nullptr;
}

TEST(MultiPingHostModel, FollowsAddAndDeleteOfHosts) {
  MultiPingHostModel m;
  Tested t(m);
  TPingRegistry registry(Mode::MultiPing);
  registry.HostList = &m;
  ASSERT_TRUE(AddPage(registry, TPingPage{}));
  registry.Current = 0;
  for (const char* host : {"beta", "alpha", "gamma"}) AddMultiPingHost(registry, 0, host);
  AddMultiPingHost(registry, 0, "ALPHA");  // a duplicate, ignoring case
  EXPECT_EQ(Column0(m), (QStringList{"alpha", "beta", "gamma"}));
  const TPingPage& page = *registry.Pages[0];
  EXPECT_EQ(m.Key(page.Hosts[1].ListItem), 1);
  EXPECT_EQ(m.index(0, 9).data().toString(), " ");
  EXPECT_EQ(m.Image(page.Hosts[0].ListItem), 2);

  QSignalSpy select(&m, &MultiPingHostModel::SelectRowRequested);
  ASSERT_TRUE(DeleteMultiPingHost(registry, 0, 0));  // beta
  EXPECT_EQ(Column0(m), (QStringList{"alpha", "gamma"}));
  EXPECT_EQ(m.Key(page.Hosts[1].ListItem), 1);  // gamma moved down one slot
  ASSERT_EQ(select.count(), 1);
  EXPECT_EQ(select.at(0).at(0).value<QModelIndex>().row(), 0);  // alpha, the row above

  ASSERT_TRUE(DeleteMultiPingHost(registry, 0, 0));  // alpha, the top row: its neighbour is below
  ASSERT_EQ(select.count(), 2);
  EXPECT_EQ(select.at(1).at(0).value<QModelIndex>().data().toString(), "gamma");
  EXPECT_EQ(m.RowAbove(NoListItem), NoListItem);
  EXPECT_EQ(m.RowBelow(page.Hosts[0].ListItem), NoListItem);
  registry.HostList = nullptr;
}

}  // namespace
