#include "evolution/session_file.h"

#include <cstring>

#include "evolution/filter_file.h"
#include "evolution/learning_block.h"

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

// Reads member k; *end becomes the offset just past its record.
bool ReadMemberAt(ByteReader* in, const SessionHeader& h, int k, ViewParams* vp, Member* m,
                  size_t* end, std::string* error) {
  if (!in->Seek(h.memberOffsets[k])) {
    *error = "member " + std::to_string(k) + " lies beyond the end of the file";
    return false;
  }
  if (!ReadMember(in, vp, false, m, error)) {
    *error = "member " + std::to_string(k) + ": " + *error;
    return false;
  }
  *end = in->position() + 2;  // the record's terminator is not read
  return true;
}

int LastRecord(const SessionHeader& h) {
  int last = 0;
  for (int k = 1; k < kPopulationSize; ++k) {
    if (h.memberOffsets[k] > h.memberOffsets[last]) last = k;
  }
  return last;
}

// The learning block after the last record becomes the session's learning.
// Without one, or when it is damaged, the session learns from the defaults
// again and breeds the front end's root type; a damaged block is noted.
void TakeLearning(const std::vector<uint8_t>& bytes, size_t end, TypeId frontEndType,
                  const std::string& damage) {
  SessionLearning& learning = GlobalLearning();
  ByteReader in(bytes);
  SessionLearning read;
  WeightTable table;
  std::string why = damage;
  BlockRead result = BlockRead::kDamaged;
  if (why.empty()) {
    // A record whose terminator is missing ends the file: no block.
    in.Seek(end < bytes.size() ? end : bytes.size());
    result = ReadLearningBlock(&in, &read, &table, &why);
  }
  if (result == BlockRead::kRead) {
    InstallGlobalLists(&table);
    learning = std::move(read);
    return;
  }
  ResetWeights();
  learning = SessionLearning{};
  learning.rootType = frontEndType;
  if (result == BlockRead::kDamaged) learning.damage = why;
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
  WriteLearningBlock(out, GlobalLearning());
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
  const int last = LastRecord(h);
  size_t end = 0;
  for (int k = 0; k < kPopulationSize; ++k) {
    size_t recordEnd = 0;
    if (!ReadMemberAt(&in, h, k, &population->views[k], &read[k], &recordEnd, error)) {
      for (int j = 0; j < k; ++j)
        ReleaseMember(&read[j], &population->views[j]);
      return false;
    }
    if (k == last) end = recordEnd;
  }
  for (int k = 0; k < kPopulationSize; ++k) {
    ReleaseMember(&population->members[k], &population->views[k]);
    population->members[k] = read[k];
  }
  *header = h;
  TakeLearning(bytes, end, population->rootType, "");
  return true;
}

int ReadChosenMember(const std::vector<uint8_t>& bytes, Population* population,
                     SessionHeader* header, std::string* error) {
  ByteReader in(bytes);
  SessionHeader h;
  if (!ReadHeader(&in, &h, error)) return -2;
  const int k = h.chosenMember;
  Member m{};
  size_t end = 0;
  if (k >= 0 && !ReadMemberAt(&in, h, k, &population->views[k], &m, &end, error)) return -2;
  // The learning follows the last record, which has to be read to find it.
  std::string damage;
  const int last = LastRecord(h);
  if (k != last) {
    Member lastMember{};
    ViewParams none{};
    if (ReadMemberAt(&in, h, last, &none, &lastMember, &end, &damage)) {
      ReleaseMember(&lastMember, &none);
    } else {
      damage = "the learning block cannot be found: " + damage;
    }
  }
  *header = h;
  TakeLearning(bytes, end, population->rootType, damage);
  if (k < 0) return -1;
  ReleaseMember(&population->members[k], &population->views[k]);
  population->members[k] = m;
  return k;
}

}  // namespace pxb
