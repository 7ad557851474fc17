#pragma once

#include <cstdint>
#include <memory>

#include "platform/IcmpEcho.h"
#include "platform/IcmpSocketHandle.h"
#include "platform/Status.h"

// Which road each family takes, decided once and then only read.
struct IcmpBinding {
  IcmpRoad ipv4 = IcmpRoad::None;
  IcmpRoad ipv6 = IcmpRoad::None;

  IcmpRoad For(IpFamily family) const { return family == IpFamily::V4 ? ipv4 : ipv6; }
};

// Auto takes the datagram road where the system allows it and the raw road
// otherwise; the other two allow only one road (tests and the benchmark use
// them to measure each road on its own).
enum class IcmpRoadChoice : std::uint8_t { Auto, DatagramOnly, RawOnly };

// Opens a probe socket of each road and family in the calling thread's
// network namespace. A family with no road cannot be pinged.
IcmpBinding ProbeIcmpRoads(IcmpRoadChoice choice = IcmpRoadChoice::Auto);

// Raises the soft limit of open files to the hard limit: a page can hold 500
// sockets and any number of pages may run. `softLimit` receives the limit in
// force afterwards.
Status RaiseOpenFileLimit(std::uint64_t* softLimit = nullptr);

// Echo handles over ICMP sockets, on the roads of a binding.
class SocketIcmpEcho final : public IcmpEcho {
 public:
  explicit SocketIcmpEcho(IcmpBinding binding) : binding_(binding) {}

  const IcmpBinding& Binding() const { return binding_; }
  bool CanPing(IpFamily family) const override { return binding_.For(family) != IcmpRoad::None; }
  std::unique_ptr<IcmpEchoHandle> Open(IpFamily family) override {
    return IcmpSocketHandle::Open(family, binding_.For(family));
  }

 private:
  const IcmpBinding binding_;
};

// Program start-up, on the user-interface thread before any run: raises the
// open-file limit, probes the roads and keeps the result for the program's
// life. Fails (Unsupported) when IPv4 cannot be pinged; without IPv6 it
// succeeds and IPv6 targets get "Ping error".
Status BindSystemIcmp(IcmpRoadChoice choice = IcmpRoadChoice::Auto);
// The binding made by BindSystemIcmp; before it, one that can ping nothing.
SocketIcmpEcho& SystemIcmp();
