#pragma once

#include <QObject>
#include <cstdint>

#include "pages/PageTypes.h"

class QLineEdit;
class TabViews;
class TModeFrame;

// The Start and Stop buttons of the five measuring tabs. A Start click takes
// the tab's target and editors into the page the tab shows (numbers
// converted, clamped and written back into their editors, so each shows the
// value used) and starts it; an empty target, a Multi ping page without
// hosts or an unusable address range does nothing at all. A Stop click
// stops the shown page's run. Every handler catches and drops exceptions.
class RunButtons : public QObject {
  Q_OBJECT

 public:
  explicit RunButtons(TabViews& views, QObject* parent = nullptr);

  void StartClick(Mode mode);
  void StopClick(Mode mode);

  // The numeric editor's value as a Start click takes it: its text
  // converted, `fallback` when it is not a number, clamped; the editor is
  // set to the decimal text of the result.
  static std::int32_t TakeNumber(QLineEdit* edit, std::int32_t fallback, std::int32_t low, std::int32_t high);

 private:
  void StartPingClick();
  void StartMultiPingClick();
  void StartRangePingClick();
  void StartHopClick(Mode mode);
  // Retries, minutes, the minutes button, timeout, delay, bytes.
  static void TakeRunSettings(TModeFrame& frame, TPageCommon& page, std::int32_t retriesFallback);

  TabViews& views_;
};
