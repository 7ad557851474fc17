#include "engine/ResolveHostThread.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "engine/EchoServices.h"
#include "engine/HostResolution.h"
#include "pages/ModePages.h"
#include "pages/TextHelpers.h"

namespace {

// The most the "Host Name" field keeps of a name, in bytes.
constexpr std::size_t MaxHostNameBytes = 96;

}  // namespace

ResolveHostThread::ResolveHostThread(RunStamp stamp, Mode mode, int hostSlot, std::uint32_t ipv4,
                                     const Ipv6Octets& ipv6)
    : stamp_(stamp),
      mode_(mode),
      hostSlot_(std::clamp(hostSlot, 0, MaxHosts - 1)),
      ipv4_(ipv4),
      ipv6_(ipv6) {}

std::unique_ptr<ResolveHostThread> ResolveHostThread::Start(RunStamp stamp, Mode mode, int hostSlot,
                                                            std::uint32_t ipv4, const Ipv6Octets& ipv6) {
  auto thread = std::make_unique<ResolveHostThread>(stamp, mode, hostSlot, ipv4, ipv6);
  try {
    thread->Resume();
  } catch (const std::system_error&) {
    // Out of threads: the echoes matter more than the name.
    return nullptr;
  }
  return thread;
}

void ResolveHostThread::Finish(std::unique_ptr<ResolveHostThread>& thread) {
  if (!thread) return;
  thread->Terminate();
  thread->WaitFor();
  thread.reset();
}

void ResolveHostThread::Execute() {
  std::optional<std::string> name = ReverseLookupName(EngineResolver(), ipv4_, ipv6_);
  if (!name) return;
  hostName_ = std::move(*name);
  if (!Terminated()) Synchronize([this] { SyncSetHostName(); });
}

void ResolveHostThread::SyncSetHostName() {
  if (Terminated()) return;
  TPingRegistry* registry = PingModeRegistry(mode_);
  if (!registry) return;
  TPingPage* page = PageOfRun(*registry, stamp_);
  if (!page || hostSlot_ >= page->HostCount) return;
  page->Hosts[static_cast<std::size_t>(hostSlot_)].HostName = CutUtf8(hostName_, MaxHostNameBytes);
  if (PageView* view = ViewIfShown(*registry, *page)) view->HostRowChanged(hostSlot_);
}
