#pragma once

#include <QWidget>

#include "pages/PageTypes.h"

class PageListModel;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeView;

// The page list on the left of every measuring tab.
class TFramePages : public QWidget {
  Q_OBJECT

 public:
  explicit TFramePages(QWidget* parent = nullptr);

  QGroupBox* GroupBox1 = nullptr;  // "Pages"
  // One row per page, sorted by name; the registry's page-list observer is
  // Model, so adding, renaming and removing pages keep the rows in step.
  QTreeView* ListView1 = nullptr;
  PageListModel* Model = nullptr;
  QWidget* Panel1 = nullptr;
  QLineEdit* EditPageName = nullptr;  // at most 64 bytes of UTF-8
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonRename = nullptr;
  QPushButton* ButtonDel = nullptr;

  // The selected row, or NoListItem.
  ListHandle SelectedRow() const;
  // Gives the list the focus and makes the row current and selected. When
  // the row was not selected before, PageRowSelected follows at once.
  void SelectRow(ListHandle row);

 signals:
  // A row became selected, by the user or by SelectRow. Only selection
  // changes raise it, never a removed row's neighbour becoming current; block
  // this frame's signals (QSignalBlocker) to silence it altogether.
  void PageRowSelected(quintptr row);

 private:
  void OnSelectionChanged();
};
