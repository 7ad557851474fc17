#pragma once

#include <QObject>
#include <optional>
#include <string>
#include <vector>

#include "pages/PageTypes.h"
#include "pages/RowTexts.h"
#include "ui/models/RowListModel.h"

class CopyMenus;
class QLineEdit;
class QPoint;
class TFramePages;
class TModeFrame;

// One measuring tab: its page list and its mode frame, tied to the mode's
// registry. It stores the editors into the current page, shows a page, and
// serves the host view's selection, the replies grid and the copy menus.
// Every slot catches and drops exceptions: none reaches the event loop.
class TabView : public QObject {
  Q_OBJECT

 public:
  ~TabView() override;

  Mode TabMode() const { return mode_; }
  TFramePages* PagesFrame() const { return pages_; }
  virtual TModeFrame* Frame() const = 0;
  // The model of the host view (ListView1, or VirtualStringTree1).
  RowListModel& HostModel() const;

  // Copies the editors into the registry's current page (nothing without
  // one). Numbers become integers, a text that is not a number the field's
  // default, then clamped; the editors keep what was typed.
  virtual void StoreFrameToPage() = 0;

  // Makes page `index` the tab's current page and rebuilds the tab from its
  // record: editors, buttons, page name, result rows (linked through
  // ListItem), the selected host's replies. storeFirst stores the editors
  // into the page that is current until now; selectInList selects the
  // page's row in the page list (which raises its PageRowSelected).
  void ShowPage(int index, bool storeFirst, bool selectInList);

  // Makes host `slot` the current page's SelectedHost and rebuilds the
  // replies grid from its reply store.
  void RefillReplies(int slot);

  // Start, Stop (and on Multi ping Add, Delete, "Delete Host") for the
  // current page's run state, as a run's start, a Stop and a run's end set them.
  virtual void UpdateRunButtons();

  // Live updates of the shown page, for a run's callbacks. The result rows
  // of the current page anew from its records (the replies grid stays):
  void RebuildHostRows();
  // Host `slot`'s row from its record: rewritten, added when the host now
  // has a row, removed when it no longer has one.
  void RefreshHostRow(int slot);
  // A line at the end of the replies grid for echo `number`.
  void AppendReplyRow(const TReplyRecord& reply, std::int64_t number);

 protected:
  TabView(Mode mode, TFramePages* pages, CopyMenus& menus, QObject* parent);

  // Wires the host view's selection and menus, the replies grid's menu and
  // the parameter caption; the subclass calls it once its frame exists.
  void Connect();

  // Per-mode parts of ShowPage, in the order they run.
  virtual int PageCount() const = 0;
  virtual int CurrentIndex() const = 0;
  virtual TPageCommon* Page(int index) const = 0;
  virtual void LoadEditors(const TPageCommon& page) = 0;
  virtual void ShowRunButtons(const TPageCommon& page);
  virtual void SetCurrent(int index) = 0;
  virtual void ClearHostLinks() = 0;  // of every page of the tab
  // Rows of the page's results, linked to their records; true when the
  // selected host's replies are to be listed. By default: a row per host
  // once the target is resolved, else the one result-state row.
  virtual bool BuildHostRows(TPageCommon& page);
  // The row of host `slot` on this tab; none when the host has no row.
  virtual std::optional<HostRowText> RowText(int slot, const THostResult& host) const = 0;
  // The row's sort key (Data): the host slot, or on IP range ping the address.
  virtual std::int64_t RowKey(int slot, const THostResult& host) const;
  virtual int RowColumns() const { return HostListColumns; }
  virtual int HostCount(const TPageCommon& page) const = 0;
  virtual THostResult* Host(TPageCommon& page, int slot) const = 0;

  // The host view's selection moved to `row` (NoListItem: nothing selected).
  virtual void HostRowChanged(ListHandle row);
  // Texts joined for the replies grid's Copy Line.
  virtual int ReplyLineTexts() const { return 7; }
  virtual void ShowHostMenu(const QPoint& pos);

  // A host row to build and the record it belongs to (null: a status row).
  struct LinkedRow {
    THostResult* host = nullptr;
    RowListModel::NewRow row;
  };
  static RowListModel::NewRow MakeRow(std::int64_t key, const HostRowText& text,
                                      int columns = HostListColumns);
  // Fills the host view with the rows in one go and links each record to its row.
  void PutRows(const std::vector<LinkedRow>& rows);
  // A row for every host of the page that has one.
  void PutHostRows(TPageCommon& page);

  TPageCommon* CurrentPage() const;
  bool PageRunning() const;
  void ShowRepliesOf(TPageCommon& page);

  // The settings every mode has, in the order the editors are read.
  void StoreRunSettings(TPageCommon& page) const;
  void LoadRunSettings(const TPageCommon& page);
  static void SetNumber(QLineEdit* edit, std::int32_t value);

  Mode mode_;
  TFramePages* pages_;
  CopyMenus& menus_;

 private:
  void OnRepliesMenu(const QPoint& pos);
  std::vector<ReplyRowText> ReplyRows(const THostResult& host) const;
};
