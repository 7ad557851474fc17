#include "ui/RunButtons.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "pages/EditorNumbers.h"
#include "pages/ModePages.h"
#include "pages/PageRegistry.h"
#include "pages/TextHelpers.h"
#include "platform/Ipv4Text.h"
#include "ui/PageRunOperations.h"
#include "ui/RunStart.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/THopFrame.h"
#include "ui/views/HopTabView.h"
#include "ui/views/MultiPingTabView.h"
#include "ui/views/PingTabView.h"
#include "ui/views/RangePingTabView.h"
#include "ui/views/TabView.h"

namespace {

constexpr std::size_t MaxHostBytes = 96;
constexpr std::size_t MaxRangeTextBytes = 128;

// An end of an address range that can be pinged: an address, and neither
// 0.0.0.0 nor 255.255.255.255.
bool UsableRangeEnd(const std::string& text) {
  const std::optional<std::uint32_t> address = ParseIpv4Text(text);
  return address && *address != 0 && *address != 0xFFFFFFFFu;
}

}  // namespace

RunButtons::RunButtons(TabViews& views, QObject* parent) : QObject(parent), views_(views) {
  for (const Mode mode : AllModes) {
    TModeFrame* frame = views_.ForMode(mode).Frame();
    connect(frame->BitBtnStart, &QPushButton::clicked, this, [this, mode] { StartClick(mode); });
    connect(frame->BitBtnStop, &QPushButton::clicked, this, [this, mode] { StopClick(mode); });
  }
}

std::int32_t RunButtons::TakeNumber(QLineEdit* edit, std::int32_t fallback, std::int32_t low,
                                    std::int32_t high) {
  const std::int32_t value = EditorInt(EditorText(edit), fallback, low, high);
  edit->setText(QString::number(value));
  return value;
}

void RunButtons::TakeRunSettings(TModeFrame& f, TPageCommon& page, std::int32_t retriesFallback) {
  page.Retries = TakeNumber(f.EditRetries, retriesFallback, 1, 999'999);
  page.Minutes = TakeNumber(f.EditMinutes, 1, 1, 60'000);
  page.ByMinutes = f.RadioButtonMinutes->isChecked();
  page.TimeOut = TakeNumber(f.EditTimeOut, 1000, 100, 60'000);
  page.Delay = TakeNumber(f.EditDelay, 1000, 0, 999'999'999);
  page.Bytes = TakeNumber(f.EditBytes, 32, 0, 65'500);
}

void RunButtons::StartClick(Mode mode) {
  CatchAll([&] {
    switch (mode) {
      case Mode::Ping:
        return StartPingClick();
      case Mode::MultiPing:
        return StartMultiPingClick();
      case Mode::RangePing:
        return StartRangePingClick();
      case Mode::Traceroute:
      case Mode::PathPing:
        return StartHopClick(mode);
    }
  });
}

void RunButtons::StopClick(Mode mode) {
  CatchAll([&] { StopPage(mode, ModeCurrentIndex(mode)); });
}

void RunButtons::StartPingClick() {
  TPingPage* page = PingRegistry.CurrentPage();
  TFramePing& f = *views_.Ping().Ping();
  if (!page || f.EditHost->text().isEmpty()) return;
  page->Host = CutUtf8(EditorBytes(f.EditHost), MaxHostBytes);
  TakeRunSettings(f, *page, 4);
  page->Ttl = TakeNumber(f.EditTtl, 255, 1, 255);
  page->ResolveHostName = f.CheckBoxResolveHostName->isChecked();
  page->PingForAllIp = f.CheckBoxPingForAllIp->isChecked();
  page->ShowReplys = f.CheckBoxShowReplys->isChecked();
  StartPage(Mode::Ping, PingRegistry.Current);
}

void RunButtons::StartMultiPingClick() {
  TPingPage* page = MultiPingRegistry.CurrentPage();
  TFrameMultiPing& f = *views_.MultiPing().MultiPing();
  if (!page || page->HostCount <= 0) return;
  TakeRunSettings(f, *page, 4);
  page->Ttl = TakeNumber(f.EditTtl, 255, 1, 255);
  page->ResolveHostName = f.CheckBoxResolveHostName->isChecked();
  page->ShowReplys = f.CheckBoxShowReplys->isChecked();
  StartPage(Mode::MultiPing, MultiPingRegistry.Current);
}

void RunButtons::StartRangePingClick() {
  TRangePingPage* page = RangePingRegistry.CurrentPage();
  TFrameRangePing& f = *views_.RangePing().RangePing();
  const std::string from = CutUtf8(EditorBytes(f.EditFrom), MaxRangeTextBytes);
  const std::string to = CutUtf8(EditorBytes(f.EditTo), MaxRangeTextBytes);
  if (!page || !UsableRangeEnd(from) || !UsableRangeEnd(to)) return;
  page->From = from;
  page->To = to;
  TakeRunSettings(f, *page, 1);
  page->Threads = TakeNumber(f.EditThreads, 10, 1, MaxPoolThreads);
  page->ResolveHostName = f.CheckBoxResolveHostName->isChecked();
  page->ShowReplys = f.CheckBoxShowReplys->isChecked();
  StartPage(Mode::RangePing, RangePingRegistry.Current);
}

void RunButtons::StartHopClick(Mode mode) {
  TPingRegistry& registry = mode == Mode::Traceroute ? TracerouteRegistry : PathPingRegistry;
  THopFrame& f = *(mode == Mode::Traceroute ? views_.Traceroute() : views_.PathPing()).Hops();
  TPingPage* page = registry.CurrentPage();
  if (!page || f.EditHost->text().isEmpty()) return;
  page->Host = CutUtf8(EditorBytes(f.EditHost), MaxHostBytes);
  TakeRunSettings(f, *page, 4);
  page->Hops = TakeNumber(f.EditHops, 32, 1, MaxHosts);
  page->ResolveHostName = f.CheckBoxResolveHostName->isChecked();
  page->ShowReplys = f.CheckBoxShowReplys->isChecked();
  StartPage(mode, registry.Current);
}
