#include "ui/models/RepliesModel.h"

#include <QIcon>
#include <algorithm>

#include "ui/Icons.h"

namespace {
const char* const Headers[RepliesModel::Columns] = {"N",     "Date", "Status",    "Reply From",
                                                    "Bytes", "TTL",  "Times (ms)"};
}

RepliesModel::RepliesModel(QObject* parent) : QAbstractItemModel(parent) {
  flush_.setSingleShot(true);
  flush_.setInterval(BatchIntervalMs);
  connect(&flush_, &QTimer::timeout, this, [this] {
    try {
      FlushWaiting();
    } catch (...) {
      // Rows that could not be added stay out of the grid; the store keeps them.
    }
  });
}

RepliesModel::Row RepliesModel::MakeRow(const ReplyRowText& row) {
  Row made;
  for (int c = 0; c < Columns; ++c) made.texts[c] = QString::fromStdString(row.Texts[c]);
  made.number = row.Number;
  made.image = row.Image;
  return made;
}

void RepliesModel::AppendSoon(const ReplyRowText& row) {
  waiting_.push_back(row);
  if (!flush_.isActive()) flush_.start();
}

void RepliesModel::FlushWaiting() {
  flush_.stop();
  if (waiting_.empty()) return;
  std::vector<ReplyRowText> rows;
  rows.swap(waiting_);
  const std::size_t skip = rows.size() > MaxRows ? rows.size() - MaxRows : 0;
  const int adding = static_cast<int>(rows.size() - skip);
  // Room first, so that the view never sees more than MaxRows rows.
  const int drop = std::min(Count(), Count() + adding - MaxRows);
  if (drop > 0) {
    beginRemoveRows({}, 0, drop - 1);
    rows_.erase(rows_.begin(), rows_.begin() + drop);
    endRemoveRows();
  }
  const int at = Count();
  beginInsertRows({}, at, at + adding - 1);
  for (std::size_t i = skip; i < rows.size(); ++i) rows_.push_back(MakeRow(rows[i]));
  endInsertRows();
}

void RepliesModel::Append(const ReplyRowText& row) {
  FlushWaiting();
  Row made = MakeRow(row);
  // Make room first, so that the view never sees more than MaxRows rows.
  if (Count() >= MaxRows) {
    const int drop = Count() - MaxRows + 1;
    beginRemoveRows({}, 0, drop - 1);
    rows_.erase(rows_.begin(), rows_.begin() + drop);
    endRemoveRows();
  }
  const int at = Count();
  beginInsertRows({}, at, at);
  rows_.push_back(std::move(made));
  endInsertRows();
}

void RepliesModel::Refill(const std::vector<ReplyRowText>& rows) {
  waiting_.clear();
  flush_.stop();
  beginResetModel();
  rows_.clear();
  const std::size_t skip = rows.size() > MaxRows ? rows.size() - MaxRows : 0;
  for (std::size_t i = skip; i < rows.size(); ++i) rows_.push_back(MakeRow(rows[i]));
  endResetModel();
}

void RepliesModel::Clear() {
  waiting_.clear();
  flush_.stop();
  if (rows_.empty()) return;
  beginRemoveRows({}, 0, Count() - 1);
  rows_.clear();
  endRemoveRows();
}

std::int64_t RepliesModel::Number(int row) const {
  return row >= 0 && row < Count() ? rows_[static_cast<std::size_t>(row)].number : 0;
}

QString RepliesModel::Text(int row, int column) const {
  if (row < 0 || row >= Count() || column < 0 || column >= Columns) return {};
  return rows_[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
}

int RepliesModel::Image(int row) const {
  return row >= 0 && row < Count() ? rows_[static_cast<std::size_t>(row)].image : -1;
}

std::string RepliesModel::LineText(int row, int count) const {
  std::string line;
  for (int c = 0; c < count; ++c) {
    if (c) line += ' ';
    line += Text(row, c).toStdString();
  }
  return line;
}

QModelIndex RepliesModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || row >= Count() || column < 0 || column >= Columns) return {};
  return createIndex(row, column);
}

QModelIndex RepliesModel::parent(const QModelIndex&) const { return {}; }

int RepliesModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int RepliesModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns; }

QVariant RepliesModel::data(const QModelIndex& at, int role) const {
  if (!at.isValid() || at.model() != this || at.row() >= Count()) return {};
  const Row& row = rows_[static_cast<std::size_t>(at.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return row.texts[static_cast<std::size_t>(at.column())];
    case Qt::DecorationRole:
      return at.column() == 0 ? QVariant(ReplyIcon(row.image)) : QVariant();
    default:
      return {};
  }
}

QVariant RepliesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Columns)
    return {};
  return QString::fromLatin1(Headers[section]);
}

Qt::ItemFlags RepliesModel::flags(const QModelIndex& at) const {
  if (!at.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
