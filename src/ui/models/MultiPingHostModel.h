#pragma once

#include "pages/PageListObserver.h"
#include "ui/models/RowListModel.h"

// The Multi ping host list: caption = the host as entered, key = the host's
// row index in the page, sorted by host text. The page operations drive it
// through HostListObserver while its page is shown.
class MultiPingHostModel : public RowListModel, public HostListObserver {
  Q_OBJECT

 public:
  explicit MultiPingHostModel(QObject* parent = nullptr);

  ListHandle AppendHostRow(int rowIndex, const std::string& caption) override;
  void SetHostRowIndex(ListHandle row, int rowIndex) override;
  void DeleteHostRow(ListHandle row) override;
  void SelectHostRow(ListHandle row) override;
  ListHandle RowAbove(ListHandle row) const override;
  ListHandle RowBelow(ListHandle row) const override;

 signals:
  // The view selects this row (DeleteMultiPingHost moves the selection to a
  // neighbour of the deleted row).
  void SelectRowRequested(const QModelIndex& index);
};
