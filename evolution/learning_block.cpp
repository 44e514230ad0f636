#include "evolution/learning_block.h"

#include <cstring>

#include "engine/growth.h"
#include "evolution/crc32.h"
#include "evolution/filter_file.h"

namespace pxb {
namespace {

SessionLearning currentLearning;

constexpr uint8_t kTag[4] = {'P', 'X', 'L', 'B'};
constexpr uint16_t kBlockVersion = 1;
// Tag, version, root type and body size come before the body.
constexpr size_t kBlockHead = 12;

size_t FunctionLists() {
  return static_cast<size_t>(FunctionCount()) * kArgSlots * kDepthClasses;
}

WeightList& GlobalList(size_t i) {
  const auto f = static_cast<FuncId>(i / (kArgSlots * kDepthClasses));
  const size_t rest = i % (kArgSlots * kDepthClasses);
  return Function(f).weights[rest / kDepthClasses][rest % kDepthClasses];
}

void WriteBytes(ByteWriter* out, const std::vector<uint8_t>& bytes) {
  out->U32(static_cast<uint32_t>(bytes.size()));
  out->Bytes(bytes.data(), bytes.size());
}

bool ReadBytes(ByteReader* in, std::vector<uint8_t>* bytes) {
  const uint32_t n = in->U32();
  if (in->readFailed || n > in->size() - in->position()) return false;
  bytes->resize(n);
  in->Bytes(bytes->data(), n);
  return true;
}

// The stored lists must be ones this registry can use.
bool CheckLists(const std::vector<uint8_t>& bytes, std::string* error) {
  ByteReader in(bytes);
  WeightTable table;
  const bool ok = ReadGlobalLists(&in, &table, error);
  FreeWeightTable(&table);
  return ok;
}

bool CheckRecord(const std::vector<uint8_t>& bytes, TypeId rootType, std::string* error) {
  ByteReader in(bytes);
  ViewParams none{};
  Member m{};
  if (!ReadMember(&in, &none, false, &m, error)) return false;
  const bool sameType = m.type == rootType;
  ReleaseMember(&m, &none);
  if (!sameType) *error = "a member of another root type";
  return sameType;
}

bool ReadStep(ByteReader* in, TypeId rootType, HistoryStep* step, std::string* error) {
  const uint32_t low = in->U32();
  const uint32_t high = in->U32();
  step->time = static_cast<int64_t>((uint64_t{high} << 32) | low);
  const uint16_t shown = in->U16();
  if (in->readFailed || shown < 1 || shown > 9) {
    *error = "a step shows " + std::to_string(shown) + " members";
    return false;
  }
  for (int k = 0; k < shown; ++k) {
    const uint16_t p = in->U16();
    if (p > 100) {
      *error = "a slider position of " + std::to_string(p);
      return false;
    }
    step->positions.push_back(p);
  }
  if (!ReadBytes(in, &step->lists)) {
    *error = "a step's lists are truncated";
    return false;
  }
  if (!CheckLists(step->lists, error)) return false;
  step->records.resize(shown);
  for (std::vector<uint8_t>& record : step->records) {
    if (!ReadBytes(in, &record)) {
      *error = "a step's member record is truncated";
      return false;
    }
    if (!CheckRecord(record, rootType, error)) return false;
  }
  return true;
}

bool ReadBody(ByteReader* in, TypeId rootType, SessionLearning* out, WeightTable* table,
              std::string* error) {
  if (!ReadGlobalLists(in, table, error)) return false;
  const uint16_t steps = in->U16();
  for (int i = 0; i < steps; ++i) {
    HistoryStep step;
    if (!ReadStep(in, rootType, &step, error)) {
      *error = "history step " + std::to_string(i) + ": " + *error;
      return false;
    }
    out->history.push_back(std::move(step));
  }
  if (in->readFailed) {
    *error = "the history is truncated";
    return false;
  }
  return true;
}

}  // namespace

SessionLearning& GlobalLearning() {
  return currentLearning;
}

void FreeWeightTable(WeightTable* table) {
  FreeList(&table->unit);
  FreeList(&table->colour);
  for (WeightList& list : table->functions)
    FreeList(&list);
  table->functions.clear();
}

WeightTable CaptureGlobalLists() {
  WeightTable table;
  table.unit = CopyList(RootList(kUnit));
  table.colour = CopyList(RootList(kColour));
  table.functions.resize(FunctionLists());
  for (size_t i = 0; i < table.functions.size(); ++i)
    table.functions[i] = CopyList(GlobalList(i));
  return table;
}

void InstallGlobalLists(WeightTable* table) {
  FreeList(&RootList(kUnit));
  FreeList(&RootList(kColour));
  RootList(kUnit) = table->unit;
  RootList(kColour) = table->colour;
  table->unit = nullptr;
  table->colour = nullptr;
  for (size_t i = 0; i < table->functions.size() && i < FunctionLists(); ++i) {
    FreeList(&GlobalList(i));
    GlobalList(i) = table->functions[i];
    table->functions[i] = nullptr;
  }
  FreeWeightTable(table);
}

void WriteGlobalLists(ByteWriter* out) {
  WriteWeightList(out, RootList(kUnit));
  WriteWeightList(out, RootList(kColour));
  out->I16(static_cast<int16_t>(FunctionCount()));
  for (size_t i = 0; i < FunctionLists(); ++i)
    WriteWeightList(out, GlobalList(i));
}

bool ReadGlobalLists(ByteReader* in, WeightTable* table, std::string* error) {
  bool ok = ReadWeightList(in, kUnit, "the unit root list", &table->unit, error) &&
            ReadWeightList(in, kColour, "the colour root list", &table->colour, error);
  const int16_t n = ok ? in->I16() : 0;
  if (ok && n != FunctionCount()) {
    *error = "the learnt lists cover " + std::to_string(n) + " functions; " +
             std::to_string(FunctionCount()) + " exist";
    ok = false;
  }
  if (ok) table->functions.assign(FunctionLists(), nullptr);
  for (size_t i = 0; ok && i < table->functions.size(); ++i) {
    const auto f = static_cast<FuncId>(i / (kArgSlots * kDepthClasses));
    const int slot = static_cast<int>(i % (kArgSlots * kDepthClasses)) / kDepthClasses;
    ok = ReadWeightList(in, SignatureArg(Function(f).signature, slot),
                        "learnt list " + std::to_string(i), &table->functions[i], error);
  }
  if (ok && in->readFailed) {
    *error = "the learnt lists are truncated";
    ok = false;
  }
  if (!ok) FreeWeightTable(table);
  return ok;
}

void WriteLearningBlock(ByteWriter* out, const SessionLearning& learning) {
  const size_t start = out->size();
  out->Bytes(kTag, sizeof kTag);
  out->U16(kBlockVersion);
  out->I16(static_cast<int16_t>(learning.rootType));
  out->U32(0);  // body size, patched below
  WriteGlobalLists(out);
  out->U16(static_cast<uint16_t>(learning.history.size()));
  for (const HistoryStep& step : learning.history) {
    const auto time = static_cast<uint64_t>(step.time);
    out->U32(static_cast<uint32_t>(time));
    out->U32(static_cast<uint32_t>(time >> 32));
    out->U16(static_cast<uint16_t>(step.positions.size()));
    for (int32_t p : step.positions)
      out->U16(static_cast<uint16_t>(p));
    WriteBytes(out, step.lists);
    for (const std::vector<uint8_t>& record : step.records)
      WriteBytes(out, record);
  }
  out->PatchU32(start + 8, static_cast<uint32_t>(out->size() - start - kBlockHead));
  out->U32(Crc32(out->bytes().data() + start, out->size() - start));
}

BlockRead ReadLearningBlock(ByteReader* in, SessionLearning* learning, WeightTable* table,
                            std::string* error) {
  const size_t start = in->position();
  const size_t left = in->size() - start;
  if (left == 0) return BlockRead::kAbsent;
  uint8_t tag[sizeof kTag] = {};
  in->Bytes(tag, sizeof tag);
  if (in->readFailed || std::memcmp(tag, kTag, sizeof tag) != 0) {
    *error = "the data after the members is not a learning block";
    return BlockRead::kDamaged;
  }
  const uint16_t version = in->U16();
  const TypeId rootType = in->I16();
  const uint32_t body = in->U32();
  if (in->readFailed || left < kBlockHead + 4 || body > left - kBlockHead - 4) {
    *error = "the learning block is truncated";
    return BlockRead::kDamaged;
  }
  ByteReader check(in->data() + start, kBlockHead + body + 4);
  check.Seek(kBlockHead + body);
  if (check.U32() != Crc32(in->data() + start, kBlockHead + body)) {
    *error = "the learning block fails its checksum";
    return BlockRead::kDamaged;
  }
  if (version != kBlockVersion) {
    *error = "the learning block has the unknown version " + std::to_string(version);
    return BlockRead::kDamaged;
  }
  if (rootType != kUnit && rootType != kColour) {
    *error = "the learning block names root type " + std::to_string(rootType);
    return BlockRead::kDamaged;
  }
  ByteReader bodyIn(in->data() + start + kBlockHead, body);
  SessionLearning read;
  read.rootType = rootType;
  read.fromFile = true;
  if (!ReadBody(&bodyIn, rootType, &read, table, error)) {
    FreeWeightTable(table);
    *error = "the learning block is unusable: " + *error;
    return BlockRead::kDamaged;
  }
  *learning = std::move(read);
  return BlockRead::kRead;
}

}  // namespace pxb
