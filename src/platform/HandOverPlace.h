#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <string>
#include <vector>

// Where the copy that holds a Config folder listens for later starts: in
// the user's runtime folder ($XDG_RUNTIME_DIR), made for exactly this and
// on a local file system, so a socket can be made there wherever Config
// lives (a stick, a network home); in Config itself only without one. A
// later start tries both, so it reaches a copy started without a runtime
// folder (under ssh, say) too, and where the holder of the lock says it
// listens, for a start whose own runtime folder is another, or none.
//
// The name in the runtime folder is drawn from the Config folder's device
// and inode numbers, written out whole: two folders that exist at once
// never share one, and one folder reached by two paths has one.
struct HandOverPlace {
  std::string folder;
  std::string name;
  int folderFd = -1;  // the folder, opened O_PATH; borrowed
  bool inConfig = false;

  // The place at the absolute `path`, as a holder named it: reached by its
  // path alone.
  static HandOverPlace At(const std::string& path);

  std::string Path() const { return folder + "/" + name; }
  // Its path when that fits an address (107 bytes), else the same file
  // reached through the folder's descriptor, which is short whatever the
  // folder's path is.
  bool Address(sockaddr_un& address) const;
  // Removes what lies at the name, anything but a folder: a socket a copy
  // that ended left, or the empty file a file system that holds no sockets
  // leaves instead. The name is the program's own, in a folder no one else
  // may write.
  void RemoveLeftover() const;
};

// Opens the user's runtime folder ($XDG_RUNTIME_DIR): absolute, a folder,
// this user's and closed to others, or it is not used. -1 without one;
// `path` is its path.
int OpenRuntimeFolder(std::string& path);

// Where to listen first, then where else to look: the runtime folder open
// at `runtimeFd` (-1: none) and the Config folder open at `configFd`.
std::vector<HandOverPlace> HandOverPlaces(const std::string& runtime, int runtimeFd,
                                          const std::string& config, int configFd, const char* configName);
