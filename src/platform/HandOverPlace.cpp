#include "platform/HandOverPlace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

HandOverPlace HandOverPlace::At(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return {path.substr(0, slash), path.substr(slash + 1)};
}

bool HandOverPlace::Address(sockaddr_un& address) const {
  std::string path = Path();
  if (path.size() >= sizeof address.sun_path) {
    if (folderFd < 0) return false;
    path = "/proc/self/fd/" + std::to_string(folderFd) + "/" + name;
  }
  address = {};
  address.sun_family = AF_UNIX;
  std::copy(path.begin(), path.end(), address.sun_path);
  return true;
}

void HandOverPlace::RemoveLeftover() const {
  struct stat named {};
  if (folderFd >= 0 && ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      !S_ISDIR(named.st_mode))
    ::unlinkat(folderFd, name.c_str(), 0);
}

int OpenRuntimeFolder(std::string& path) {
  const char* named = std::getenv("XDG_RUNTIME_DIR");
  if (!named || named[0] != '/') return -1;
  const int fd = ::open(named, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat folder {};
  if (fd >= 0 && ::fstat(fd, &folder) == 0 && folder.st_uid == ::geteuid() && (folder.st_mode & 077) == 0) {
    path = named;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return fd;
  }
  if (fd >= 0) ::close(fd);
  return -1;
}

std::vector<HandOverPlace> HandOverPlaces(const std::string& runtime, int runtimeFd,
                                          const std::string& config, int configFd, const char* configName) {
  std::vector<HandOverPlace> places;
  struct stat folder {};
  if (runtimeFd >= 0 && configFd >= 0 && ::fstat(configFd, &folder) == 0) {
    char name[64];
    std::snprintf(name, sizeof name, "velquor-%llx-%llx.socket",
                  static_cast<unsigned long long>(folder.st_dev),
                  static_cast<unsigned long long>(folder.st_ino));
    places.push_back({runtime, name, runtimeFd, false});
  }
  places.push_back({config, configName, configFd, true});
  return places;
}
