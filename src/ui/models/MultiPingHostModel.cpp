#include "ui/models/MultiPingHostModel.h"

#include "pages/RowTexts.h"

MultiPingHostModel::MultiPingHostModel(QObject* parent)
    : RowListModel({"Host Name", "IP Address", "Resolved Host Name", "Sent", "Received", "Lost", "Min.",
                    "Max.", "Avg.", "Cur."},
                   Order::ByCaption, Images::Result, parent) {}

ListHandle MultiPingHostModel::AppendHostRow(int rowIndex, const std::string& caption) {
  NewRow row{rowIndex, {caption}, ImageHost};
  row.texts.resize(HostListColumns, BlankCell);
  return AppendRow(row);
}

void MultiPingHostModel::SetHostRowIndex(ListHandle row, int rowIndex) { SetKey(row, rowIndex); }

void MultiPingHostModel::DeleteHostRow(ListHandle row) { RemoveRow(row); }

void MultiPingHostModel::SelectHostRow(ListHandle row) {
  const QModelIndex at = IndexOf(row);
  if (at.isValid()) emit SelectRowRequested(at);
}

ListHandle MultiPingHostModel::RowAbove(ListHandle row) const {
  const int at = RowOf(row);
  return at > 0 ? HandleAt(at - 1) : NoListItem;
}

ListHandle MultiPingHostModel::RowBelow(ListHandle row) const {
  const int at = RowOf(row);
  return at >= 0 ? HandleAt(at + 1) : NoListItem;
}
