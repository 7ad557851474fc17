#pragma once

#include <string>

#include "pages/PageTypes.h"

// The rows a tab keeps for its pages. The registry operations maintain them
// through this interface so that the page layer stays free of widgets; the
// window implements it, tests record the calls.
class PageListObserver {
 public:
  virtual ~PageListObserver() = default;
  // Appends a row with Data = id and image 0; the list keeps itself sorted by caption.
  virtual ListHandle AppendPageRow(int id, const std::string& caption) = 0;
  virtual void SetPageCaption(ListHandle row, const std::string& caption) = 0;
  virtual void DeletePageRow(ListHandle row) = 0;
  // Caption of the tab's parameter group, which names the shown page.
  virtual void SetParamCaption(const std::string& caption) = 0;
};

// The Multi ping host list of the shown page.
class HostListObserver {
 public:
  virtual ~HostListObserver() = default;
  // Appends a row with Data = rowIndex, the caption, nine blank columns and
  // image 2, then re-sorts the list by caption.
  virtual ListHandle AppendHostRow(int rowIndex, const std::string& caption) = 0;
  virtual void SetHostRowIndex(ListHandle row, int rowIndex) = 0;
  virtual void DeleteHostRow(ListHandle row) = 0;
  virtual void SelectHostRow(ListHandle row) = 0;
  // The row above the given one in the list's own order, or NoListItem.
  virtual ListHandle RowAbove(ListHandle row) const = 0;
  virtual ListHandle RowBelow(ListHandle row) const = 0;
};
