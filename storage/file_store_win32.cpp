// The file store on Windows: LockFileEx on the target, a temp file made with
// CREATE_NEW, FlushFileBuffers before and MOVEFILE_WRITE_THROUGH for the
// replacement.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "storage/file_store.h"
#include "storage/file_store_common.h"

namespace pxb {
namespace {

using file_store::Cause;
using file_store::ChangedMessage;
using file_store::Fail;
using file_store::kLockWait;

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h == INVALID_HANDLE_VALUE || CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

bool ReadAll(HANDLE h, std::vector<uint8_t>* bytes) {
  bytes->clear();
  uint8_t chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (ReadFile(h, chunk, sizeof chunk, &n, nullptr) == 0) return false;
    if (n == 0) return true;
    bytes->insert(bytes->end(), chunk, chunk + n);
  }
}

bool StampOf(HANDLE h, const std::vector<uint8_t>& bytes, FileStamp* stamp) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(h, &info) == 0) return false;
  stamp->exists = true;
  stamp->device = info.dwVolumeSerialNumber;
  stamp->inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  stamp->modifiedNs = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                           info.ftLastWriteTime.dwLowDateTime) *
                      100;
  stamp->size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  stamp->contentHash = HashBytes(bytes);
  return true;
}

}  // namespace

std::string file_store::LastErrorSuffix() {
  return " (error " + std::to_string(GetLastError()) + ")";
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   FileStamp* stamp) {
  Handle h(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) return Fail(error, Cause(path, "cannot open"));
  std::vector<uint8_t> read;
  if (!ReadAll(h.get(), &read)) return Fail(error, Cause(path, "read error"));
  if (stamp != nullptr && !StampOf(h.get(), read, stamp)) {
    return Fail(error, Cause(path, "cannot stat"));
  }
  *bytes = std::move(read);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error, const FileStamp* unchangedSince) {
  const std::wstring target = Wide(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Fail(error, path + ": is a folder");
  }
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Fail(error, path + ": the file is read-only; it was not replaced");
  }

  // The lock is held on the old file until it has been replaced.
  Handle locked(exists ? CreateFileW(target.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                       : INVALID_HANDLE_VALUE);
  if (exists) {
    if (!locked.valid()) return Fail(error, Cause(path, "cannot open"));
    const auto until = std::chrono::steady_clock::now() + kLockWait;
    OVERLAPPED whole{};
    while (LockFileEx(locked.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                      MAXDWORD, MAXDWORD, &whole) == 0) {
      if (std::chrono::steady_clock::now() > until) {
        return Fail(error, path + ": another program is writing the file; try again later");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (unchangedSince != nullptr) {
    FileStamp current;
    if (exists) {
      std::vector<uint8_t> content;
      if (!ReadAll(locked.get(), &content) || !StampOf(locked.get(), content, &current)) {
        return Fail(error, Cause(path, "read error"));
      }
    }
    if (!(current == *unchangedSince)) return Fail(error, ChangedMessage(path));
  }

  std::random_device device;
  std::mt19937_64 random((uint64_t{device()} << 32) ^ device() ^ GetCurrentProcessId());
  std::wstring temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 32 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = target + L"." + std::to_wstring(random()) + L".tmp";
    created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  Handle out(created);
  if (!out.valid()) return Fail(error, Cause(path, "cannot create a temporary file"));
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD n = 0;
    ok = WriteFile(out.get(), bytes.data() + done, chunk, &n, nullptr) != 0 && n == chunk;
    done += n;
  }
  std::string cause = ok ? "" : Cause(path, "write failed");
  if (ok && FlushFileBuffers(out.get()) == 0) {
    ok = false;
    cause = Cause(path, "write failed");
  }
  if (!out.Close() && ok) {
    ok = false;
    cause = Cause(path, "write failed");
  }
  // A file that is open cannot be replaced on every Windows file system (nor
  // under every emulation of one): the lock is let go just before the
  // rename, after every check was made under it.
  if (ok && exists) locked.Close();
  if (ok && MoveFileExW(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    ok = false;
    cause = Cause(path, "cannot replace the file");
  }
  if (!ok) {
    DeleteFileW(temp.c_str());
    return Fail(error, cause);
  }
  return true;
}

}  // namespace pxb
