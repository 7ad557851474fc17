#include "ui/models/RowListModel.h"

#include <QIcon>
#include <algorithm>

#include "ui/Icons.h"

struct RowListModel::Row {
  ListHandle handle = NoListItem;
  std::vector<QString> texts;
  std::int64_t key = 0;
  int image = -1;
  int index = 0;  // position in rows_, kept current by Renumber
};

RowListModel::RowListModel(QStringList headers, Order order, Images images, QObject* parent)
    : QAbstractItemModel(parent), headers_(std::move(headers)), order_(order), images_(images) {
  collator_.setCaseSensitivity(Qt::CaseSensitive);
}

RowListModel::~RowListModel() = default;

namespace {

// A locale without collation rules (C, C.UTF-8: root shells, containers)
// compares code points, which puts every capital before every small letter.
// There captions compare as a reader expects: letter case only breaks ties,
// the small letter first, as the locales that collate do it.
int CompareCaptions(const QCollator& collator, const QString& a, const QString& b) {
  if (collator.locale().language() != QLocale::C) return collator.compare(a, b);
  if (const int folded = a.compare(b, Qt::CaseInsensitive)) return folded;
  return -a.compare(b, Qt::CaseSensitive);
}

}  // namespace

RowListModel::Row* RowListModel::Find(ListHandle handle) const {
  const auto it = byHandle_.find(handle);
  return it == byHandle_.end() ? nullptr : it->second;
}

std::unique_ptr<RowListModel::Row> RowListModel::MakeRow(const NewRow& row) {
  auto made = std::make_unique<Row>();
  made->handle = nextHandle_++;
  made->texts.resize(static_cast<std::size_t>(headers_.size()));
  for (std::size_t c = 0; c < made->texts.size() && c < row.texts.size(); ++c)
    made->texts[c] = QString::fromStdString(row.texts[c]);
  made->key = row.key;
  made->image = row.image;
  return made;
}

bool RowListModel::Before(const Row& a, const Row& b) const {
  switch (order_) {
    case Order::ByKey:
      return a.key < b.key;
    case Order::ByUnsignedKey:
      return static_cast<std::uint32_t>(a.key) < static_cast<std::uint32_t>(b.key);
    case Order::ByCaption:
      return CompareCaptions(collator_, a.texts[0], b.texts[0]) < 0;
  }
  return false;
}

int RowListModel::InsertPosition(const Row& row) const {
  // After rows that compare equal, so equal rows keep the order they came in.
  const auto it =
      std::upper_bound(rows_.begin(), rows_.end(), &row,
                       [this](const Row* a, const std::unique_ptr<Row>& b) { return Before(*a, *b); });
  return static_cast<int>(it - rows_.begin());
}

void RowListModel::Renumber(int from, int to) {
  for (int i = std::max(from, 0); i < to && i < Count(); ++i) rows_[static_cast<std::size_t>(i)]->index = i;
}

ListHandle RowListModel::AppendRow(const NewRow& row) {
  std::unique_ptr<Row> made = MakeRow(row);
  Row* raw = made.get();
  const int at = InsertPosition(*raw);
  beginInsertRows({}, at, at);
  rows_.insert(rows_.begin() + at, std::move(made));
  byHandle_[raw->handle] = raw;
  Renumber(at, Count());
  endInsertRows();
  return raw->handle;
}

ListHandle RowListModel::AppendRow(std::int64_t key, const HostRowText& text) {
  const std::size_t columns =
      std::min<std::size_t>(static_cast<std::size_t>(headers_.size()), text.Texts.size());
  return AppendRow(
      {key, {text.Texts.begin(), text.Texts.begin() + static_cast<std::ptrdiff_t>(columns)}, text.Image});
}

std::vector<ListHandle> RowListModel::ReplaceRows(const std::vector<NewRow>& rows) {
  beginResetModel();
  rows_.clear();
  byHandle_.clear();
  std::vector<ListHandle> handles;
  handles.reserve(rows.size());
  rows_.reserve(rows.size());
  for (const NewRow& row : rows) {
    rows_.push_back(MakeRow(row));
    byHandle_[rows_.back()->handle] = rows_.back().get();
    handles.push_back(rows_.back()->handle);
  }
  std::stable_sort(
      rows_.begin(), rows_.end(),
      [this](const std::unique_ptr<Row>& a, const std::unique_ptr<Row>& b) { return Before(*a, *b); });
  Renumber(0, Count());
  endResetModel();
  return handles;
}

void RowListModel::RemoveRow(ListHandle handle) {
  Row* row = Find(handle);
  if (!row) return;
  const int at = row->index;
  beginRemoveRows({}, at, at);
  byHandle_.erase(handle);
  rows_.erase(rows_.begin() + at);
  Renumber(at, Count());
  endRemoveRows();
}

void RowListModel::Clear() {
  if (rows_.empty()) return;
  beginRemoveRows({}, 0, Count() - 1);
  rows_.clear();
  byHandle_.clear();
  endRemoveRows();
}

void RowListModel::Reposition(Row* row) {
  const int from = row->index;
  std::unique_ptr<Row> taken = std::move(rows_[static_cast<std::size_t>(from)]);
  rows_.erase(rows_.begin() + from);
  const int to = InsertPosition(*row);
  rows_.insert(rows_.begin() + from, std::move(taken));
  if (to == from) return;
  // beginMoveRows counts the destination before the row has left its place.
  beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
  taken = std::move(rows_[static_cast<std::size_t>(from)]);
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, std::move(taken));
  Renumber(std::min(from, to), std::max(from, to) + 1);
  endMoveRows();
}

void RowListModel::SetTexts(ListHandle handle, int firstColumn, std::span<const std::string> texts) {
  Row* row = Find(handle);
  if (!row || firstColumn < 0) return;
  int last = -1;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::size_t c = static_cast<std::size_t>(firstColumn) + i;
    if (c >= row->texts.size()) break;
    row->texts[c] = QString::fromStdString(texts[i]);
    last = static_cast<int>(c);
  }
  if (last < firstColumn) return;
  emit dataChanged(index(row->index, firstColumn), index(row->index, last));
  if (order_ == Order::ByCaption && firstColumn == 0) Reposition(row);
}

void RowListModel::SetImage(ListHandle handle, int image) {
  Row* row = Find(handle);
  if (!row || row->image == image) return;
  row->image = image;
  const QModelIndex at = index(row->index, 0);
  emit dataChanged(at, at, {Qt::DecorationRole});
}

void RowListModel::SetKey(ListHandle handle, std::int64_t key) {
  Row* row = Find(handle);
  if (!row || row->key == key) return;
  row->key = key;
  if (order_ != Order::ByCaption) Reposition(row);
}

bool RowListModel::Contains(ListHandle handle) const { return Find(handle) != nullptr; }

int RowListModel::RowOf(ListHandle handle) const {
  const Row* row = Find(handle);
  return row ? row->index : -1;
}

ListHandle RowListModel::HandleAt(int row) const {
  return row >= 0 && row < Count() ? rows_[static_cast<std::size_t>(row)]->handle : NoListItem;
}

QModelIndex RowListModel::IndexOf(ListHandle handle, int column) const {
  const Row* row = Find(handle);
  return row ? index(row->index, column) : QModelIndex();
}

ListHandle RowListModel::HandleOf(const QModelIndex& at) const {
  return at.isValid() && at.model() == this ? HandleAt(at.row()) : NoListItem;
}

std::int64_t RowListModel::Key(ListHandle handle) const {
  const Row* row = Find(handle);
  return row ? row->key : 0;
}

QString RowListModel::Text(ListHandle handle, int column) const {
  const Row* row = Find(handle);
  if (!row || column < 0 || column >= static_cast<int>(row->texts.size())) return {};
  return row->texts[static_cast<std::size_t>(column)];
}

int RowListModel::Image(ListHandle handle) const {
  const Row* row = Find(handle);
  return row ? row->image : -1;
}

const QIcon& RowListModel::IconFor(int image) const {
  return images_ == Images::Page ? PageIcon(image) : ResultIcon(image);
}

QModelIndex RowListModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || row >= Count() || column < 0 || column >= headers_.size()) return {};
  return createIndex(row, column);
}

QModelIndex RowListModel::parent(const QModelIndex&) const { return {}; }

int RowListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int RowListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant RowListModel::data(const QModelIndex& at, int role) const {
  if (!at.isValid() || at.model() != this || at.row() >= Count()) return {};
  const Row& row = *rows_[static_cast<std::size_t>(at.row())];
  const std::size_t column = static_cast<std::size_t>(at.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return column < row.texts.size() ? QVariant(row.texts[column]) : QVariant();
    case Qt::DecorationRole:
      return column == 0 && row.image >= 0 ? QVariant(IconFor(row.image)) : QVariant();
    default:
      return {};
  }
}

QVariant RowListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= headers_.size())
    return {};
  return headers_[section];
}

Qt::ItemFlags RowListModel::flags(const QModelIndex& at) const {
  if (!at.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
