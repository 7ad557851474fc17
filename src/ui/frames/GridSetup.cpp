#include "ui/frames/GridSetup.h"

#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

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
  // A title wider than its design width gets the room it needs in the
  // header's own font, so no title starts cut.
  header->ensurePolished();
  int column = 0;
  for (int width : widths) {
    view->setColumnWidth(column, std::max(width, header->sectionSizeHint(column)));
    ++column;
  }
}
