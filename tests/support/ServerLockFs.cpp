// A file system for the tests that passes every file through to a folder
// on the local disk and takes BSD locks as the Linux NFS client does: each
// becomes a lock on the whole file held by the "server" (here, this
// process, on its own descriptor of the file, opened with the caller's
// access mode), so an exclusive lock through a read-only descriptor fails
// with EBADF, and two mounts of one folder, two clients of one server,
// exclude each other. A directory's locks stay with the kernel, local to
// the mount. With --no-locks every lock is refused with ENOLCK, as by a
// mount whose lock service does not answer.
//
//   server_lock_fs [--no-locks] <folder> <mount point>
// It runs in the foreground until the mount point is unmounted.

#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

int base = -1;
bool noLocks = false;

const char* At(const char* path) { return path[1] ? path + 1 : "."; }
int Result(int r) { return r < 0 ? -errno : 0; }

void* Init(fuse_conn_info*, fuse_config* config) {
  // What one client changed, the other sees at once.
  config->entry_timeout = config->attr_timeout = config->negative_timeout = 0;
  config->nullpath_ok = 1;
  config->use_ino = 1;
  return nullptr;
}

int GetAttr(const char* path, struct stat* info, fuse_file_info* file) {
  return Result(file ? ::fstat(static_cast<int>(file->fh), info)
                     : ::fstatat(base, At(path), info, AT_SYMLINK_NOFOLLOW));
}

int ReadLink(const char* path, char* buffer, size_t size) {
  const ssize_t n = ::readlinkat(base, At(path), buffer, size - 1);
  if (n < 0) return -errno;
  buffer[n] = 0;
  return 0;
}

int Open(const char* path, fuse_file_info* file) {
  const int fd = ::openat(base, At(path), file->flags & ~O_NOFOLLOW);
  if (fd < 0) return -errno;
  file->fh = static_cast<uint64_t>(fd);
  return 0;
}

int Create(const char* path, mode_t mode, fuse_file_info* file) {
  const int fd = ::openat(base, At(path), file->flags | O_CREAT, mode);
  if (fd < 0) return -errno;
  file->fh = static_cast<uint64_t>(fd);
  return 0;
}

int Read(const char*, char* buffer, size_t size, off_t at, fuse_file_info* file) {
  const ssize_t n = ::pread(static_cast<int>(file->fh), buffer, size, at);
  return n < 0 ? -errno : static_cast<int>(n);
}

int Write(const char*, const char* buffer, size_t size, off_t at, fuse_file_info* file) {
  const ssize_t n = ::pwrite(static_cast<int>(file->fh), buffer, size, at);
  return n < 0 ? -errno : static_cast<int>(n);
}

int Release(const char*, fuse_file_info* file) { return Result(::close(static_cast<int>(file->fh))); }

int Fsync(const char*, int, fuse_file_info* file) { return Result(::fsync(static_cast<int>(file->fh))); }

int Truncate(const char* path, off_t size, fuse_file_info* file) {
  if (file) return Result(::ftruncate(static_cast<int>(file->fh), size));
  const int fd = ::openat(base, At(path), O_WRONLY);
  if (fd < 0) return -errno;
  const int r = Result(::ftruncate(fd, size));
  ::close(fd);
  return r;
}

int Flock(const char*, fuse_file_info* file, int op) {
  if (noLocks) return -ENOLCK;
  struct flock range {};
  range.l_whence = SEEK_SET;
  range.l_type = (op & LOCK_UN) ? F_UNLCK : (op & LOCK_EX) ? F_WRLCK : F_RDLCK;
  if (::fcntl(static_cast<int>(file->fh), (op & LOCK_NB) ? F_OFD_SETLK : F_OFD_SETLKW, &range) == 0) return 0;
  return errno == EAGAIN || errno == EACCES ? -EWOULDBLOCK : -errno;
}

int OpenDir(const char* path, fuse_file_info* file) {
  const int fd = ::openat(base, At(path), O_RDONLY | O_DIRECTORY);
  DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!dir) return -errno;
  file->fh = reinterpret_cast<uint64_t>(dir);
  return 0;
}

int ReadDir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* file,
            fuse_readdir_flags) {
  DIR* dir = reinterpret_cast<DIR*>(file->fh);
  ::rewinddir(dir);
  while (const dirent* entry = ::readdir(dir)) fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags{});
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<char*> args(argv, argv + argc);
  if (args.size() > 1 && std::strcmp(args[1], "--no-locks") == 0) {
    noLocks = true;
    args.erase(args.begin() + 1);
  }
  if (args.size() != 3) return 2;
  base = ::open(args[1], O_PATH | O_DIRECTORY);
  if (base < 0) return 2;
  std::string options = "-odefault_permissions";
  std::vector<char*> fuseArgs{args[0], args[2], const_cast<char*>("-f"), options.data()};

  fuse_operations ops{};
  ops.init = Init;
  ops.getattr = GetAttr;
  ops.readlink = ReadLink;
  ops.mknod = [](const char* path, mode_t mode, dev_t device) {
    return Result(::mknodat(base, At(path), mode, device));
  };
  ops.mkdir = [](const char* path, mode_t mode) { return Result(::mkdirat(base, At(path), mode)); };
  ops.unlink = [](const char* path) { return Result(::unlinkat(base, At(path), 0)); };
  ops.rmdir = [](const char* path) { return Result(::unlinkat(base, At(path), AT_REMOVEDIR)); };
  ops.symlink = [](const char* to, const char* path) { return Result(::symlinkat(to, base, At(path))); };
  ops.rename = [](const char* from, const char* to, unsigned int flags) {
    return Result(::renameat2(base, At(from), base, At(to), flags));
  };
  ops.chmod = [](const char* path, mode_t mode, fuse_file_info* file) {
    return Result(file ? ::fchmod(static_cast<int>(file->fh), mode) : ::fchmodat(base, At(path), mode, 0));
  };
  ops.chown = [](const char* path, uid_t user, gid_t group, fuse_file_info* file) {
    return Result(file ? ::fchown(static_cast<int>(file->fh), user, group)
                       : ::fchownat(base, At(path), user, group, AT_SYMLINK_NOFOLLOW));
  };
  ops.truncate = Truncate;
  ops.open = Open;
  ops.create = Create;
  ops.read = Read;
  ops.write = Write;
  ops.statfs = [](const char*, struct statvfs* info) { return Result(::fstatvfs(base, info)); };
  ops.release = Release;
  ops.fsync = Fsync;
  ops.opendir = OpenDir;
  ops.readdir = ReadDir;
  ops.releasedir = [](const char*, fuse_file_info* file) {
    return Result(::closedir(reinterpret_cast<DIR*>(file->fh)));
  };
  ops.utimens = [](const char* path, const timespec times[2], fuse_file_info* file) {
    return Result(file ? ::futimens(static_cast<int>(file->fh), times)
                       : ::utimensat(base, At(path), times, AT_SYMLINK_NOFOLLOW));
  };
  ops.flock = Flock;
  return fuse_main(static_cast<int>(fuseArgs.size()), fuseArgs.data(), &ops, nullptr);
}
