#pragma once

#include <initializer_list>

class QAbstractItemModel;
class QTreeView;

// Sets a view up as a flat, read-only, full-row grid over `model`, with
// user-resizable columns of the given widths (or wider, where a title needs
// it) and a context menu request signal in place of a built-in menu.
void SetUpGrid(QTreeView* view, QAbstractItemModel* model, std::initializer_list<int> widths);
