#include "ui/frames/GridSetup.h"

#include <QHeaderView>
#include <QTreeView>

void SetUpGrid(QTreeView* view, QAbstractItemModel* model, std::initializer_list<int> widths) {
  view->setModel(model);
  view->setRootIsDecorated(false);
  view->setItemsExpandable(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->setSortingEnabled(false);
  QHeaderView* header = view->header();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  header->setSectionsMovable(true);
  header->setMinimumSectionSize(5);
  int column = 0;
  for (int width : widths) view->setColumnWidth(column++, width);
}
