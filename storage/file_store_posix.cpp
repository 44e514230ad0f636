// The file store on POSIX systems: flock on the target, a temp file made
// with O_EXCL | O_NOFOLLOW, fsync of the file before and of its folder after
// the rename.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <utility>

#include "storage/file_store.h"
#include "storage/file_store_common.h"

namespace pxb {
namespace {

using file_store::Cause;
using file_store::ChangedMessage;
using file_store::Fail;
using file_store::kLockWait;

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Takes over the descriptor of another holder.
  void Swap(Fd* other) { std::swap(fd_, other->fd_); }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool ReadAll(int fd, std::vector<uint8_t>* bytes) {
  bytes->clear();
  uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes->insert(bytes->end(), chunk, chunk + n);
  }
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

FileStamp StampOf(const struct stat& st, const std::vector<uint8_t>& bytes) {
  FileStamp s;
  s.exists = true;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.size = static_cast<uint64_t>(st.st_size);
  s.contentHash = HashBytes(bytes);
  return s;
}

// The file a write to path replaces: path itself, or the file a symbolic
// link at path leads to.
bool ResolveTarget(const std::string& path, std::string* target, std::string* error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
    *target = path;
    return true;
  }
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) {
    return Fail(error, Cause(path, "the symbolic link cannot be followed"));
  }
  *target = resolved;
  return true;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates a temp file beside target with a name nobody else uses, without
// following a link planted under that name.
int CreateTemp(const std::string& target, mode_t mode, std::string* temp) {
  static std::random_device device;
  std::mt19937_64 random((uint64_t{device()} << 32) ^ device() ^ static_cast<uint64_t>(::getpid()));
  for (int attempt = 0; attempt < 32; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
    *temp = target + suffix;
    const int fd =
        ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Takes the exclusive lock on the open target, waiting a while for another
// writer to finish.
bool Lock(int fd, const std::string& target, std::string* error) {
  const auto until = std::chrono::steady_clock::now() + kLockWait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return Fail(error, Cause(target, "cannot lock"));
    if (std::chrono::steady_clock::now() > until) {
      return Fail(error, target + ": another program is writing the file; try again later");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A file the user may not write is not replaced. A file marked read-only for
// everyone is refused even to the superuser, as editors do.
bool MayReplace(const std::string& target, const struct stat& st, std::string* error) {
  if (S_ISDIR(st.st_mode)) return Fail(error, target + ": is a folder");
  if (!S_ISREG(st.st_mode)) return Fail(error, target + ": is not a regular file");
  if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
    return Fail(error, target + ": the file is read-only; it was not replaced");
  }
  return true;
}

}  // namespace

std::string file_store::LastErrorSuffix() {
  return std::string(": ") + std::strerror(errno);
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   FileStamp* stamp) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return Fail(error, path + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return Fail(error, path + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return Fail(error, path + ": is a folder");
  std::vector<uint8_t> read;
  if (!ReadAll(fd.get(), &read)) return Fail(error, Cause(path, "read error"));
  if (stamp != nullptr) *stamp = StampOf(st, read);
  *bytes = std::move(read);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error, const FileStamp* unchangedSince) {
  std::string target;
  if (!ResolveTarget(path, &target, error)) return false;

  // Lock the file being replaced. The lock is on the file, which a rename by
  // another writer can swap away while we wait: then the locked file is no
  // longer the one at the path, and we look again.
  Fd locked;
  struct stat old {};
  bool exists = false;
  for (int attempt = 0;; ++attempt) {
    Fd fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) {
      if (errno != ENOENT) return Fail(error, Cause(target, "cannot open"));
      break;
    }
    if (::fstat(fd.get(), &old) != 0) return Fail(error, Cause(target, "cannot stat"));
    if (!MayReplace(target, old, error)) return false;
    if (!Lock(fd.get(), target, error)) return false;
    struct stat now {};
    if (::stat(target.c_str(), &now) == 0 && now.st_dev == old.st_dev && now.st_ino == old.st_ino) {
      locked.Swap(&fd);
      exists = true;
      break;
    }
    // Another writer replaced the file while we waited: for a writer that
    // read it earlier, that is a change; others simply try again.
    if (unchangedSince != nullptr) return Fail(error, ChangedMessage(path));
    if (attempt == 100) return Fail(error, target + ": the file keeps being replaced");
  }

  if (unchangedSince != nullptr) {
    FileStamp current;
    if (exists) {
      std::vector<uint8_t> content;
      if (::lseek(locked.get(), 0, SEEK_SET) != 0 || !ReadAll(locked.get(), &content)) {
        return Fail(error, Cause(target, "read error"));
      }
      current = StampOf(old, content);
    }
    if (!(current == *unchangedSince)) {
      return Fail(error, ChangedMessage(path));
    }
  }

  std::string temp;
  Fd out(CreateTemp(target, exists ? 0600 : 0666, &temp));
  if (out.get() < 0) return Fail(error, Cause(path, "cannot create a temporary file"));
  bool ok = WriteAll(out.get(), bytes);
  std::string cause = ok ? "" : Cause(path, "write failed");
  if (ok && exists) {
    // Keep the old file's owner where we are allowed to, and its mode.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      if (::fchown(out.get(), old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] const int ignored =
            ::fchown(out.get(), static_cast<uid_t>(-1), old.st_gid);
      }
    }
    if (::fchmod(out.get(), old.st_mode & 07777) != 0) {
      ok = false;
      cause = Cause(path, "cannot keep the file's mode");
    }
  }
  if (ok && ::fsync(out.get()) != 0) {
    ok = false;
    cause = Cause(path, "write failed");
  }
  if (!out.Close() && ok) {
    ok = false;
    cause = Cause(path, "write failed");
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    cause = Cause(path, "cannot replace the file");
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return Fail(error, cause);
  }
  // Make the rename itself durable.
  Fd folder(::open(Folder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return true;
}

}  // namespace pxb
