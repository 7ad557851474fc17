#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/IcmpEcho.h"
#include "platform/IcmpPacket.h"

// How echoes of one family leave the host. Datagram ICMP sockets need no
// privilege when net.ipv4.ping_group_range covers the user's group, and the
// kernel hands each socket only its own replies and errors. Raw sockets need
// CAP_NET_RAW and see all ICMP traffic, so they carry a kernel filter.
enum class IcmpRoad : std::uint8_t { None, Datagram, Raw };

// The descriptors of the open-file limit that echo sockets leave to the
// rest of the program, for a soft limit of `softLimit`: 64, or a quarter of
// a limit below 256. Three pools of 500 workers ask for more sockets than a
// container's usual limit of 1,024 allows, and what must still work then
// needs descriptors of its own: a save (its temporary, its folder, a copy
// kept aside), a report, a started program's pipes (about ten), a message
// box and the window system's connection, a single-instance hand-over. Each
// takes a handful, and they may come at once; 64 covers them all with room
// to spare. Under a small limit the cap keeps three quarters for the
// workers, so that a page still runs.
std::uint64_t ReservedDescriptors(std::uint64_t softLimit);

// One worker's ICMP socket. The identifier is fixed for the handle's life
// (chosen by the kernel on the datagram road, by a process-wide pool on the
// raw road); every echo gets the next sequence number, so a late reply to an
// echo that already timed out is told apart and skipped.
class IcmpSocketHandle final : public IcmpEchoHandle {
 public:
  // Null when the socket cannot be created or set up on that road. The
  // kernel hands out the lowest free descriptor, so a socket numbered within
  // the top ReservedDescriptors of the soft limit means that fewer than those
  // are left: it is closed again and Open fails with errno EMFILE, as it would
  // at the limit itself. The limit is read on every open, so a test (or
  // prlimit from outside) that changes it is heeded at once.
  static std::unique_ptr<IcmpSocketHandle> Open(IpFamily family, IcmpRoad road);
  ~IcmpSocketHandle() override;

  IcmpSocketHandle(const IcmpSocketHandle&) = delete;
  IcmpSocketHandle& operator=(const IcmpSocketHandle&) = delete;

  IcmpEchoResult Echo(const EchoRequest& request) override;

  IcmpRoad Road() const { return road_; }
  std::uint16_t Identifier() const { return identifier_; }
  // ICMP messages read from this socket that belonged to another identifier.
  // The kernel filter (raw road) or the kernel itself (datagram road) keeps
  // this at zero; a rising count would mean replies competing for the queue.
  std::uint64_t ForeignPackets() const { return foreignPackets_; }
  // Runs on the echo's thread right after its request has left. Tests hold
  // the thread here, as a loaded machine would, past the echo's deadline.
  void SetAfterSend(std::function<void()> hook) { afterSend_ = std::move(hook); }

 private:
  // What one read from the socket turned out to be.
  struct Received {
    IcmpMessage message;
    std::uint32_t sourceIpv4 = 0;
    Ipv6Octets sourceIpv6{};
    int ttl = 0;
    std::int64_t arrivedMicros = 0;  // the kernel's stamp, on the steady clock of the send time
  };

  IcmpSocketHandle(int fd, IpFamily family, IcmpRoad road, std::uint16_t identifier, bool pooledIdentifier);

  bool ApplyTtl(int ttl);
  void ReserveBuffers(int bytes);
  // Reads everything queued without blocking; true once the answer to `key`
  // was found, with `result` filled (TimedOut when the kernel stamped it
  // after the deadline).
  bool DrainQueues(const EchoKey& key, std::int64_t sentMicros, std::int64_t deadlineMicros,
                   IcmpEchoResult& result);
  bool ReadOne(bool errorQueue, Received& out, bool& empty);
  bool Accept(const Received& received, const EchoKey& key, std::int64_t sentMicros,
              std::int64_t deadlineMicros, IcmpEchoResult& result);

  int fd_;
  IpFamily family_;
  IcmpRoad road_;
  std::uint16_t identifier_;
  bool pooledIdentifier_;
  std::uint16_t sequence_;
  int ttl_ = -1;  // as last set on the socket
  std::uint64_t foreignPackets_ = 0;
  std::function<void()> afterSend_;
  // Grown to the largest echo asked for and then reused, so a run of echoes
  // allocates nothing.
  std::vector<std::uint8_t> request_;
  std::vector<std::uint8_t> receive_;
  alignas(8) std::array<std::uint8_t, 512> control_{};
};
