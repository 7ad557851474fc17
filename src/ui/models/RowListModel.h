#pragma once

#include <QAbstractItemModel>
#include <QCollator>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "pages/PageTypes.h"
#include "pages/RowTexts.h"

class QIcon;

// A flat list of rows, each with a text per column, a sort key (the row's
// Data) and an image, kept in a fixed order. Every row has a handle that
// stays valid until the row is removed and is never reused, so page records
// can keep it (THostResult::ListItem, TPageCommon::ListItem) and later
// updates reach the row without searching. A handle that no longer names a
// row is ignored by every operation.
class RowListModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum class Order {
    ByKey,          // key as a signed number, ascending (host slot, hop)
    ByUnsignedKey,  // key as an unsigned 32-bit number (host-order IPv4)
    ByCaption,      // column 0 by the user's locale, letter case breaking ties
  };
  enum class Images { Result, Page };

  struct NewRow {
    std::int64_t key = 0;
    std::vector<std::string> texts;  // column 0 first; missing columns stay empty
    int image = -1;
  };

  RowListModel(QStringList headers, Order order, Images images, QObject* parent = nullptr);
  ~RowListModel() override;

  ListHandle AppendRow(const NewRow& row);
  // A host row as the row texts make it, cut to this model's columns.
  ListHandle AppendRow(std::int64_t key, const HostRowText& text);
  // Replaces all rows in one reset; the handles come back in the order of `rows`.
  std::vector<ListHandle> ReplaceRows(const std::vector<NewRow>& rows);
  void RemoveRow(ListHandle row);
  void Clear();

  // Texts from firstColumn on; the order follows when column 0 changes.
  void SetTexts(ListHandle row, int firstColumn, std::span<const std::string> texts);
  void SetImage(ListHandle row, int image);
  void SetKey(ListHandle row, std::int64_t key);

  bool Contains(ListHandle row) const;
  int RowOf(ListHandle row) const;     // -1 for an unknown handle
  ListHandle HandleAt(int row) const;  // NoListItem outside the rows
  QModelIndex IndexOf(ListHandle row, int column = 0) const;
  ListHandle HandleOf(const QModelIndex& index) const;
  std::int64_t Key(ListHandle row) const;
  QString Text(ListHandle row, int column) const;
  int Image(ListHandle row) const;
  int Count() const { return static_cast<int>(rows_.size()); }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row;

  Row* Find(ListHandle handle) const;
  std::unique_ptr<Row> MakeRow(const NewRow& row);
  bool Before(const Row& a, const Row& b) const;
  int InsertPosition(const Row& row) const;
  void Renumber(int from, int to);
  void Reposition(Row* row);
  const QIcon& IconFor(int image) const;

  QStringList headers_;
  Order order_;
  Images images_;
  QCollator collator_;
  std::vector<std::unique_ptr<Row>> rows_;  // in display order
  std::unordered_map<ListHandle, Row*> byHandle_;
  ListHandle nextHandle_ = 1;
};
