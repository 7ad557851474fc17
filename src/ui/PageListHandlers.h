#pragma once

#include <QObject>
#include <memory>

#include "pages/PageTypes.h"

class TabViews;

// The page lists of the five measuring tabs: "Add", "Rename", "Delete" and
// the selection of a row. Every handler catches and drops exceptions.
class PageListHandlers : public QObject {
  Q_OBJECT

 public:
  // Connects the buttons and lists of the five page-list frames of `views`.
  explicit PageListHandlers(TabViews& views, QObject* parent = nullptr);

  // "Add": a page named after the edit box, with the default settings, shown
  // and selected. Nothing for an empty name or a full registry.
  void ButtonAddClick(Mode mode);
  // "Rename": the current page takes the edit box's text (not when empty).
  void ButtonRenameClick(Mode mode);
  // "Delete": the current page.
  void ButtonDelClick(Mode mode);
  // A row became selected: its page is shown after the editors were stored
  // into the page shown until now.
  void ListView1SelectItem(Mode mode, ListHandle row);

 private:
  TabViews& views_;
};

// The page a first start gives every mode ("New page", default settings).
std::unique_ptr<TPingPage> DefaultPingPage(Mode mode);
std::unique_ptr<TRangePingPage> DefaultRangePingPage();

// Delete<Mode>Page: refused below two pages; otherwise stops and clears the
// page's run, removes it and its row and shows the page the list puts in
// its place (the row above, or below the top row), or keeps showing the
// current page when another one was deleted.
void DeletePingPage(int index);
void DeleteMultiPingPage(int index);
void DeleteRangePingPage(int index);
void DeleteTraceroutePage(int index);
void DeletePathPingPage(int index);
void DeletePage(Mode mode, int index);

// Show<Mode>Page by mode.
void ShowModePage(Mode mode, int index, bool storeFirst, bool selectInList);
