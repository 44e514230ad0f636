#include "storage/session_store.h"

#include <utility>

#include "engine/weights.h"
#include "evolution/learning_block.h"

namespace pxb {

bool SaveSession(const std::string& path, const Population& population, SessionHeader* header,
                 std::string* error, const FileStamp* unchangedSince) {
  ByteWriter out;
  SessionHeader written = *header;
  WriteSession(&out, &written, population);
  if (!WriteFileAtomically(path, out.bytes(), error, unchangedSince)) return false;
  *header = written;
  return true;
}

bool LoadSession(const std::string& path, Population* population, SessionHeader* header,
                 std::string* error, FileStamp* stamp) {
  std::vector<uint8_t> bytes;
  FileStamp read;
  if (!ReadFileBytes(path, &bytes, error, &read)) return false;
  if (!ReadSession(bytes, population, header, error)) {
    *error = path + ": " + *error;
    return false;
  }
  if (stamp != nullptr) *stamp = read;
  return true;
}

bool CreateSession(const std::string& path, uint32_t previewCount, TypeId rootType,
                   Population* population, SessionHeader* header, std::string* error,
                   const FileStamp* unchangedSince) {
  // A new session learns from the defaults and has no history.
  WeightTable listsBefore = CaptureGlobalLists();
  SessionLearning learningBefore = std::move(GlobalLearning());
  ResetWeights();
  GlobalLearning() = SessionLearning{};
  GlobalLearning().rootType = rootType;
  Population fresh{};
  for (int k = 0; k < kPopulationSize; ++k) {
    fresh.views[k] = population->views[k];
    ResetMember(&fresh.members[k], rootType, &population->views[k]);
  }
  SessionHeader h;
  h.previewCount = previewCount;
  if (!SaveSession(path, fresh, &h, error, unchangedSince)) {
    ReleasePopulation(&fresh);
    InstallGlobalLists(&listsBefore);
    GlobalLearning() = std::move(learningBefore);
    return false;
  }
  FreeWeightTable(&listsBefore);
  ReleasePopulation(population);
  for (int k = 0; k < kPopulationSize; ++k)
    population->members[k] = fresh.members[k];
  population->rootType = rootType;
  *header = h;
  return true;
}

bool SaveFilterFile(const std::string& path, const Member& member, std::string* error,
                    const FileStamp* unchangedSince) {
  ByteWriter out;
  WriteMember(&out, member);
  return WriteFileAtomically(path, out.bytes(), error, unchangedSince);
}

bool LoadFilterFile(const std::string& path, ViewParams* vp, bool regrow, Member* member,
                    std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, &bytes, error)) return false;
  ByteReader in(bytes);
  if (!ReadMember(&in, vp, regrow, member, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace pxb
