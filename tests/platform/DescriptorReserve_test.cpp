// Echo sockets under a lowered open-file limit, on both roads, in a namespace
// of the test's own: they stop short of the limit and leave the reserve free.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/IcmpSocketHandle.h"
#include "support/TestNetwork.h"

namespace {

// Puts the process's open-file limit back however the test ends.
class LimitRestorer {
 public:
  LimitRestorer() { saved_ok_ = getrlimit(RLIMIT_NOFILE, &saved_) == 0; }
  ~LimitRestorer() {
    if (saved_ok_) setrlimit(RLIMIT_NOFILE, &saved_);
  }
  LimitRestorer(const LimitRestorer&) = delete;
  LimitRestorer& operator=(const LimitRestorer&) = delete;

  bool ok() const { return saved_ok_; }
  // The test runs as root, so the hard limit may be raised to fit.
  bool SetSoft(rlim_t soft) const {
    const rlimit lowered{soft, std::max(soft, saved_.rlim_max)};
    return setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }

 private:
  rlimit saved_{};
  bool saved_ok_ = false;
};

// How many descriptors from `first` up to `end` are not open.
std::size_t FreeDescriptors(int first, int end) {
  std::size_t open = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    if (fd >= first && fd < end) ++open;
  }
  return static_cast<std::size_t>(end - first) - open;
}

class DescriptorReserve : public ::testing::TestWithParam<IcmpRoad> {
 protected:
  void SetUp() override { ASSERT_EQ(road_.Enter(network_, network_.AddNamespace("fds"), GetParam()), ""); }

  TestNetwork network_;
  EchoRoad road_;
};

TEST_P(DescriptorReserve, SocketsStopShortOfTheLimitAndLeaveTheReserveToEverythingElse) {
  const struct {
    rlim_t limit;
    std::uint64_t reserve;
  } rows[] = {
      {1024, 64},  // a container's usual hard limit
      {256, 64},   // the fixed reserve, just within the quarter
      {100, 25},   // a quarter of a small limit
  };
  const LimitRestorer restorer;
  ASSERT_TRUE(restorer.ok());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.limit);
    EXPECT_EQ(ReservedDescriptors(row.limit), row.reserve);
    ASSERT_TRUE(restorer.SetSoft(row.limit));
    const int cut = static_cast<int>(row.limit - row.reserve);
    const std::size_t freeAboveCut = FreeDescriptors(cut, static_cast<int>(row.limit));
    std::vector<std::unique_ptr<IcmpSocketHandle>> handles;
    errno = 0;
    for (auto handle = IcmpSocketHandle::Open(IpFamily::V4, GetParam()); handle && handles.size() < row.limit;
         handle = IcmpSocketHandle::Open(IpFamily::V4, GetParam()))
      handles.push_back(std::move(handle));
    EXPECT_EQ(errno, EMFILE);
    EXPECT_FALSE(handles.empty());

    // The sockets took every descriptor below the cut and none above it:
    // what is left there (short of any the test process got from its
    // parent) can be had by anyone else, to the last one.
    std::vector<int> others;
    for (int fd; (fd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)) >= 0;) others.push_back(fd);
    EXPECT_EQ(errno, EMFILE);
    ASSERT_FALSE(others.empty());
    EXPECT_GE(others.front(), cut);
    EXPECT_EQ(others.size(), freeAboveCut);
    for (const int fd : others) close(fd);

    // A worker that ends gives its descriptor back to the next.
    handles.pop_back();
    EXPECT_TRUE(IcmpSocketHandle::Open(IpFamily::V4, GetParam()));
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, DescriptorReserve, ::testing::Values(IcmpRoad::Datagram, IcmpRoad::Raw),
                         [](const auto& info) { return EchoRoad::Name(info.param); });

}  // namespace
