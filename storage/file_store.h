// Whole files read and replaced safely. A replacement is written to a temp
// file of its own beside the target (created exclusively, never through a
// link), flushed to the disk, given the old file's mode and owner, and
// renamed over the target while the target is locked; a target that is a
// symbolic link is replaced at the file it points to. The previous file
// survives any failure, and a writer that read the file earlier can ask to
// be refused when someone else has replaced it since.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pxb {

// What identifies one version of a file: where it lives on the disk, when it
// was last changed, its size and a hash of its bytes. Two reads of the same
// unchanged file give equal stamps.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t modifiedNs = 0;
  uint64_t size = 0;
  uint64_t contentHash = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// Reads the whole file. With a stamp pointer, also records the version read.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   FileStamp* stamp = nullptr);

// Replaces (or creates) the file at path with bytes, as described above.
// With unchangedSince, the write is refused when the file is no longer the
// version that stamp records (a stamp with exists == false: when a file has
// appeared meanwhile). A file its user may not write is refused, not
// replaced.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error, const FileStamp* unchangedSince = nullptr);

// The 64-bit FNV-1a hash the stamps use.
uint64_t HashBytes(const std::vector<uint8_t>& bytes);

}  // namespace pxb
