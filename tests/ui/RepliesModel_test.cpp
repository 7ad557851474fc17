#include "ui/models/RepliesModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QSignalSpy>

namespace {

ReplyRowText Row(std::int64_t number, bool received = true) {
  ReplyRowText r;
  r.Number = number;
  r.Texts[0] = std::to_string(number);
  r.Texts[1] = "25.01.03  04:05:06";
  r.Texts[2] = received ? "Success" : "Timeout";
  if (received) {
    r.Texts[3] = "127.0.0.1";
    r.Texts[4] = "32";
    r.Texts[5] = "64";
    r.Texts[6] = "1";
  }
  r.Image = received ? 0 : 1;
  return r;
}

TEST(RepliesModel, KeepsTheNewestTenThousandRowsDroppingBeforeInserting) {
  RepliesModel m;
  for (int i = 1; i <= RepliesModel::MaxRows; ++i) m.Append(Row(i));
  EXPECT_EQ(m.Count(), 10000);
  // The tester walks the whole model on every change, so it joins for the full grid only.
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);

  // The grid never holds more than MaxRows rows, not even for a moment.
  std::vector<std::string> events;
  QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeRemoved,
                   [&](const QModelIndex&, int first, int last) {
                     events.push_back("remove " + std::to_string(first) + "-" + std::to_string(last));
                   });
  QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeInserted,
                   [&](const QModelIndex&, int first, int last) {
                     EXPECT_LT(m.Count(), RepliesModel::MaxRows);
                     events.push_back("insert " + std::to_string(first) + "-" + std::to_string(last));
                   });
  m.Append(Row(10001));
  m.Append(Row(10002, false));
  EXPECT_EQ(events,
            (std::vector<std::string>{"remove 0-0", "insert 9999-9999", "remove 0-0", "insert 9999-9999"}));
  EXPECT_EQ(m.Count(), 10000);
  EXPECT_EQ(m.Number(0), 3);
  EXPECT_EQ(m.Number(9999), 10002);
  EXPECT_EQ(m.index(9999, 2).data().toString(), "Timeout");
}

TEST(RepliesModel, RefillIsOneResetKeepingTheNewest) {
  RepliesModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.Append(Row(1));
  std::vector<ReplyRowText> rows;
  for (int i = 1; i <= 12000; ++i) rows.push_back(Row(i));
  QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
  QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
  m.Refill(rows);
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(inserted.count(), 0);
  EXPECT_EQ(m.Count(), 10000);
  EXPECT_EQ(m.Number(0), 2001);
  m.Clear();
  EXPECT_EQ(m.Count(), 0);
  m.Refill({});
  EXPECT_EQ(m.Count(), 0);
}

TEST(RepliesModel, TextsHintsImagesAndCopyLine) {
  RepliesModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.Append(Row(1));
  m.Append(Row(2, false));
  const QStringList titles{"N", "Date", "Status", "Reply From", "Bytes", "TTL", "Times (ms)"};
  for (int c = 0; c < RepliesModel::Columns; ++c)
    EXPECT_EQ(m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);
  EXPECT_EQ(m.index(0, 3).data(Qt::ToolTipRole).toString(), "127.0.0.1");
  EXPECT_FALSE(m.index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
  EXPECT_EQ(m.Image(1), 1);
  // Nine texts on the Ping and Multi ping tabs (two empty ones at the end), seven elsewhere.
  EXPECT_EQ(m.LineText(0, 9), "1 25.01.03  04:05:06 Success 127.0.0.1 32 64 1  ");
  EXPECT_EQ(m.LineText(0, 7), "1 25.01.03  04:05:06 Success 127.0.0.1 32 64 1");
  EXPECT_EQ(m.LineText(1, 7), "2 25.01.03  04:05:06 Timeout    ");
  EXPECT_EQ(m.LineText(1, 9), "2 25.01.03  04:05:06 Timeout      ");
}

}  // namespace
