#include "evolution/session_file.h"

#include <cstring>

#include "evolution/filter_file.h"

namespace pxb {
namespace {

SessionHeader sessionHeader;

void WriteHeader(ByteWriter* out, const SessionHeader& h) {
  out->U32(h.previewCount);
  out->I32(h.chosenMember);
  out->Bytes(h.lastDirectory, sizeof h.lastDirectory);
  for (uint32_t offset : h.memberOffsets)
    out->U32(offset);
}

bool ReadHeader(ByteReader* in, SessionHeader* h, std::string* error) {
  in->U16();  // version: any
  h->previewCount = in->U32();
  h->chosenMember = in->I32();
  in->Bytes(h->lastDirectory, sizeof h->lastDirectory);
  for (uint32_t& offset : h->memberOffsets)
    offset = in->U32();
  if (in->readFailed) {
    *error = "the file is truncated in the session header";
    return false;
  }
  if (h->previewCount < 1 || h->previewCount > kPopulationSize) {
    *error = "the preview count " + std::to_string(h->previewCount) + " is not between 1 and 9";
    return false;
  }
  if (h->chosenMember >= kPopulationSize) {
    *error = "the chosen member " + std::to_string(h->chosenMember) + " does not exist";
    return false;
  }
  if (std::memchr(h->lastDirectory, 0, sizeof h->lastDirectory) == nullptr) {
    *error = "the last directory is not terminated within its 128 bytes";
    return false;
  }
  return true;
}

bool ReadMemberAt(ByteReader* in, const SessionHeader& h, int k, ViewParams* vp, Member* m,
                  std::string* error) {
  if (!in->Seek(h.memberOffsets[k])) {
    *error = "member " + std::to_string(k) + " lies beyond the end of the file";
    return false;
  }
  if (!ReadMember(in, vp, false, m, error)) {
    *error = "member " + std::to_string(k) + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace

SessionHeader& GlobalSessionHeader() {
  return sessionHeader;
}

void SetPreviewCount(SessionHeader* header, uint32_t count) {
  header->previewCount = count;
}
void SetChosenMember(SessionHeader* header, int32_t k) {
  header->chosenMember = k;
}

bool SetLastDirectory(SessionHeader* header, const std::string& directory) {
  if (directory.size() >= sizeof header->lastDirectory) return false;
  std::memset(header->lastDirectory, 0, sizeof header->lastDirectory);
  std::memcpy(header->lastDirectory, directory.data(), directory.size());
  return true;
}

std::string LastDirectory(const SessionHeader& header) {
  return std::string(header.lastDirectory,
                     strnlen(header.lastDirectory, sizeof header.lastDirectory));
}

void WriteSession(ByteWriter* out, SessionHeader* header, const Population& population) {
  const size_t start = out->size();
  out->U16(kFileVersion);
  WriteHeader(out, *header);
  for (int k = 0; k < kPopulationSize; ++k) {
    header->memberOffsets[k] = static_cast<uint32_t>(out->size() - start);
    WriteMember(out, population.members[k]);
  }
  const size_t offsets = start + 2 + 8 + sizeof header->lastDirectory;
  for (int k = 0; k < kPopulationSize; ++k) {
    out->PatchU32(offsets + 4 * static_cast<size_t>(k), header->memberOffsets[k]);
  }
}

bool ReadSession(const std::vector<uint8_t>& bytes, Population* population, SessionHeader* header,
                 std::string* error) {
  ByteReader in(bytes);
  SessionHeader h;
  if (!ReadHeader(&in, &h, error)) return false;
  Member read[kPopulationSize] = {};
  for (int k = 0; k < kPopulationSize; ++k) {
    if (!ReadMemberAt(&in, h, k, &population->views[k], &read[k], error)) {
      for (int j = 0; j < k; ++j)
        ReleaseMember(&read[j], &population->views[j]);
      return false;
    }
  }
  for (int k = 0; k < kPopulationSize; ++k) {
    ReleaseMember(&population->members[k], &population->views[k]);
    population->members[k] = read[k];
  }
  *header = h;
  return true;
}

int ReadChosenMember(const std::vector<uint8_t>& bytes, Population* population,
                     SessionHeader* header, std::string* error) {
  ByteReader in(bytes);
  SessionHeader h;
  if (!ReadHeader(&in, &h, error)) return -2;
  const int k = h.chosenMember;
  if (k < 0) {
    *header = h;
    return -1;
  }
  Member m{};
  if (!ReadMemberAt(&in, h, k, &population->views[k], &m, error)) return -2;
  ReleaseMember(&population->members[k], &population->views[k]);
  population->members[k] = m;
  *header = h;
  return k;
}

}  // namespace pxb
