#pragma once

#include <QAbstractItemModel>
#include <QTimer>
#include <array>
#include <deque>
#include <vector>

#include "pages/RowTexts.h"

// The replies grid of a tab: one row per stored echo result of the selected
// host, oldest first. A long run appends row after row; the grid keeps the
// newest MaxRows and drops the oldest, while the host's reply store stays
// the full record.
class RepliesModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  static constexpr int MaxRows = 10000;
  static constexpr int Columns = 7;

  explicit RepliesModel(QObject* parent = nullptr);

  void Append(const ReplyRowText& row);
  // The same for a running page's results: rows gather for at most
  // BatchIntervalMs and reach the grid in one insertion. A view lays out
  // all its rows after every insertion, so at hundreds of echoes a second
  // this keeps the user-interface thread from redoing that per echo. Every
  // other change (Append, Refill, Clear) first settles the waiting rows:
  // Append puts them in before its own, Refill and Clear drop them, as they
  // replace what the grid shows.
  void AppendSoon(const ReplyRowText& row);
  static constexpr int BatchIntervalMs = 50;
  int Waiting() const { return static_cast<int>(waiting_.size()); }
  // Replaces every row in one reset (at most the newest MaxRows are kept).
  void Refill(const std::vector<ReplyRowText>& rows);
  void Clear();

  int Count() const { return static_cast<int>(rows_.size()); }
  std::int64_t Number(int row) const;
  QString Text(int row, int column) const;
  int Image(int row) const;
  // The row's texts joined by single blanks, `count` texts from column 0
  // (columns beyond the seven count as empty texts).
  std::string LineText(int row, int count) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    std::array<QString, Columns> texts;
    std::int64_t number = 0;
    int image = 0;
  };
  static Row MakeRow(const ReplyRowText& row);
  // Appends the waiting rows, dropping the oldest first where they would
  // exceed MaxRows.
  void FlushWaiting();

  std::deque<Row> rows_;
  std::vector<ReplyRowText> waiting_;
  QTimer flush_;
};
