#include "platform/FileTrust.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/PosixFile.h"
#include "platform/UserDatabase.h"

namespace {

// The kernel refuses longer chains with ELOOP; follow no more than it would.
constexpr int MaxLinkHops = 40;

std::mutex programMutex;
std::string programFolder;  // guarded by programMutex

std::string Joined(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

Status UntrustedLink(const std::string& link, uid_t owner) {
  return Status::Failure(Status::Kind::Denied, link + ": a link that user " + std::to_string(owner) +
                                                   " made, which is not followed");
}

// The link's text, read whole; false with errno set when it cannot be.
bool ReadLink(const std::string& link, const struct stat& info, std::string& text) {
  text.assign(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
  const ssize_t length = ::readlink(link.c_str(), text.data(), text.size());
  if (length < 0) return false;
  if (static_cast<std::size_t>(length) >= text.size()) {
    errno = EAGAIN;  // it grew while it was read
    return false;
  }
  text.resize(static_cast<std::size_t>(length));
  return true;
}

// A group that only a trusted user is in: named after that user, the user's
// own primary group, and listing no one else. Members by primary group alone
// cannot be listed; the convention of private groups is that there are none.
bool PrivateGroupOfTrusted(gid_t gid, const TrustedUsers& users) {
  std::vector<char> groupBuffer, userBuffer;
  group groupEntry{};
  const group* found = LookUpEntry(
      groupEntry, groupBuffer,
      [gid](group* e, char* b, std::size_t n, group** f) { return ::getgrgid_r(gid, e, b, n, f); });
  if (!found || !found->gr_name) return false;
  const std::string name = found->gr_name;
  for (char** member = found->gr_mem; member && *member; ++member)
    if (name != *member) return false;
  passwd userEntry{};
  const passwd* owner = LookUpEntry(
      userEntry, userBuffer,
      [&](passwd* e, char* b, std::size_t n, passwd** f) { return ::getpwnam_r(name.c_str(), e, b, n, f); });
  return owner && owner->pw_gid == gid && users.Trusts(owner->pw_uid);
}

bool OthersMayWrite(const FolderFacts& facts, const TrustedUsers& users) {
  if (facts.mode & S_IWOTH) return true;
  if (!(facts.mode & S_IWGRP)) return false;
  return facts.extendedAcl || !PrivateGroupOfTrusted(facts.group, users);
}

FolderFacts FactsOf(const std::string& path, const struct stat& info) {
  FolderFacts facts{info.st_uid, info.st_gid, info.st_mode, false};
  // Only a folder open to its group may be open to named users and groups too.
  if (info.st_mode & S_IWGRP)
    facts.extendedAcl = ::lgetxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
  return facts;
}

// Walks the own folder's path from the root down as the kernel resolves it,
// links included, and applies the rule to each folder and link on the way.
// Unless `mustExist`, only the rule fails it: what is missing at the end
// was found fit to be made, and what cannot be examined cannot be reached
// by any read or write either, which then fail and say so themselves.
Status WalkOwnFolder(const std::string& folder, const TrustedUsers& users, bool mustExist) {
  if (folder.empty())
    return Status::Failure(Status::Kind::NotFound, "there is no folder for the program's files");
  const auto unreachable = [&](int code) {
    return mustExist ? ErrnoStatus(code, "cannot use " + folder) : Status::Success();
  };
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
  if (error) return unreachable(error.value());
  const auto notUsed = [&](const std::string& why) {
    return Status::Failure(Status::Kind::Denied, folder + " is not used (" + why + ")");
  };
  // The parts still to walk, the next one last.
  std::vector<std::string> pending;
  const auto push = [&](const std::filesystem::path& path) {
    std::vector<std::string> parts;
    for (const auto& part : path.relative_path())
      if (!part.empty() && part != ".") parts.push_back(part.string());
    pending.insert(pending.end(), parts.rbegin(), parts.rend());
  };
  push(absolute);
  std::string at = "/", judgedAsItself;
  struct stat info {};
  const auto judge = [&](const std::string& path, bool last) {
    if (last) judgedAsItself = path;
    return FolderProblem(path, FactsOf(path, info), last, users);
  };
  if (::lstat("/", &info) != 0) return unreachable(errno);
  if (std::string why = judge("/", pending.empty()); !why.empty()) return notUsed(why);
  for (int hops = 0; !pending.empty();) {
    const std::string name = pending.back();
    pending.pop_back();
    if (name == "..") {
      at = FolderOf(at);
      continue;
    }
    const std::string next = Joined(at, name);
    if (::lstat(next.c_str(), &info) != 0) return unreachable(errno);
    if (S_ISLNK(info.st_mode)) {
      if (!users.Trusts(info.st_uid)) return notUsed(UntrustedLink(next, info.st_uid).message);
      std::string text;
      if (++hops > MaxLinkHops) return unreachable(ELOOP);
      if (!ReadLink(next, info, text)) return unreachable(errno);
      if (text.starts_with('/')) at = "/";
      push(text);
      continue;
    }
    if (!S_ISDIR(info.st_mode)) return unreachable(ENOTDIR);
    if (std::string why = judge(next, pending.empty()); !why.empty()) return notUsed(why);
    at = next;
  }
  // A path that ends in ".." ends in a folder met as one above.
  if (at != judgedAsItself) {
    if (::lstat(at.c_str(), &info) != 0) return unreachable(errno);
    if (std::string why = judge(at, true); !why.empty()) return notUsed(why);
  }
  return Status::Success();
}

}  // namespace

TrustedUsers ProcessTrustedUsers() {
  TrustedUsers users;
  users.user = ::getuid();
  std::string program;
  {
    std::lock_guard lock(programMutex);
    program = programFolder;
  }
  struct stat info {};
  if (!program.empty() && ::stat(program.c_str(), &info) == 0) users.programOwner = info.st_uid;
  return users;
}

void SetTrustedProgramFolder(const std::string& folder) {
  std::lock_guard lock(programMutex);
  programFolder = folder;
}

void GiveToFolderOwner(const std::string& path, int fd) {
  if (::geteuid() == 0) GiveToFolderOwner(path, fd, ProcessTrustedUsers());
}

void GiveToFolderOwner(const std::string& path, int fd, const TrustedUsers& users) {
  if (::geteuid() != 0) return;
  struct stat folder {};
  if (::stat(FolderOf(path).c_str(), &folder) != 0 || folder.st_uid == 0 || !users.Trusts(folder.st_uid))
    return;
  if (fd >= 0)
    (void)::fchown(fd, folder.st_uid, folder.st_gid);
  else
    (void)::lchown(path.c_str(), folder.st_uid, folder.st_gid);
}

std::string FolderProblem(const std::string& path, const FolderFacts& facts, bool last,
                          const TrustedUsers& users) {
  if (!users.Trusts(facts.owner))
    return (last ? "it" : path + " above it") + std::string(" belongs to user ") +
           std::to_string(facts.owner);
  // The sticky bit keeps others from moving what is not theirs, which is
  // all a folder above needs; in the folder itself they could still plant
  // files of their own.
  if (OthersMayWrite(facts, users) && (last || !(facts.mode & S_ISVTX)))
    return "others may write to " + (last ? std::string("it") : path + " above it");
  return {};
}

Status FollowTrustedLinks(const std::string& path, std::string& target) {
  std::optional<TrustedUsers> users;  // asked for at the first link: most files have none
  std::string current = path;
  for (int hop = 0; hop <= MaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0) {
      // A missing file (or a dangling link's missing target) is created.
      if (errno == ENOENT) {
        target = current;
        return Status::Success();
      }
      return ErrnoStatus(errno, "cannot inspect " + current);
    }
    if (!S_ISLNK(info.st_mode)) {
      target = current;
      return Status::Success();
    }
    if (!users) users = ProcessTrustedUsers();
    if (!users->Trusts(info.st_uid)) return UntrustedLink(current, info.st_uid);
    std::string link;
    if (!ReadLink(current, info, link)) return ErrnoStatus(errno, "cannot read the link " + current);
    current = link.starts_with('/') ? link : FolderOf(current) + "/" + link;
  }
  return Status::Failure(Status::Kind::Invalid, "too many symbolic links in " + path);
}

int MakeMissingFolders(const std::string& path, mode_t mode, const TrustedUsers& users) {
  std::filesystem::path made;
  for (const std::filesystem::path& part : std::filesystem::path(path)) {
    made /= part;
    if (part.empty() || part == "/") continue;
    if (::mkdir(made.c_str(), mode) == 0)
      GiveToFolderOwner(made.string(), -1, users);
    else if (errno != EEXIST)
      return errno;
  }
  return 0;
}

Status CheckOwnFolder(const std::string& folder, const TrustedUsers& users) {
  return WalkOwnFolder(folder, users, false);
}

Status MakeOwnFolder(const std::string& folder, const TrustedUsers& users) {
  // Nothing is made where the folder may not be used, and what another user
  // made in the meantime is found by the second look.
  if (Status usable = CheckOwnFolder(folder, users); !usable.ok()) return usable;
  if (const int error = MakeMissingFolders(folder, 0755, users); error != 0)
    return ErrnoStatus(error, "cannot create " + folder);
  return WalkOwnFolder(folder, users, true);
}
