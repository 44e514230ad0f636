#include "evolution/filter_file.h"

#include <cstdlib>

#include "engine/growth.h"
#include "evolution/population.h"

namespace pxb {
namespace {

// Frees whatever a partly read member holds.
void Discard(Member* m) {
  ViewParams none{};
  ReleaseMember(m, &none);
}

std::string Where(FuncId f, int slot, int depth) {
  return "the list of function " + std::to_string(f) + " argument " + std::to_string(slot) +
         " depth " + std::to_string(depth);
}

void WriteViewParams(ByteWriter* out, const ViewParams& v) {
  out->I32(v.width);
  out->I32(v.height);
  out->I32(v.smooth);
  for (uint16_t w : v.rand.x)
    out->U16(w);
  out->U16(0);
}

ViewParams ReadViewParams(ByteReader* in) {
  ViewParams v{};
  v.width = in->I32();
  v.height = in->I32();
  v.smooth = in->I32();
  for (uint16_t& w : v.rand.x)
    w = in->U16();
  in->U16();
  return v;
}

}  // namespace

bool ReadWeightList(ByteReader* in, TypeId produces, const std::string& where, WeightList* list,
                    std::string* error) {
  const int16_t n = in->I16();
  if (n < 0) {
    *error = where + " has a negative count " + std::to_string(n);
    return false;
  }
  if (static_cast<size_t>(n) * 4 > in->size() - in->position()) {
    *error = "the file is truncated in " + where;
    return false;
  }
  WeightEntry** tail = list;
  for (int i = 0; i < n; ++i) {
    const uint16_t id = in->U16();
    const uint16_t packed = in->U16();
    if (id >= FunctionCount()) {
      *error = where + " names function " + std::to_string(id) + ", which does not exist";
      return false;
    }
    if (produces != 0 && SignatureResult(Function(id).signature) != produces) {
      *error = where + " names function " + std::to_string(id) + ", which cannot fill it";
      return false;
    }
    auto* e = static_cast<WeightEntry*>(std::malloc(sizeof(WeightEntry)));
    if (e == nullptr) {
      *error = "out of memory";
      return false;
    }
    *e = WeightEntry{id, UnpackWeight(packed), nullptr};
    *tail = e;
    tail = &e->next;
  }
  return true;
}

void WriteWeightList(ByteWriter* out, WeightList list) {
  out->I16(static_cast<int16_t>(ListLength(list)));
  for (const WeightEntry* e = list; e != nullptr; e = e->next) {
    out->U16(static_cast<uint16_t>(e->id));
    out->U16(PackWeight(e->weight));
  }
}

void WriteMember(ByteWriter* out, const Member& m) {
  out->U16(kFileVersion);
  out->I16(static_cast<int16_t>(m.type));
  WriteViewParams(out, m.seed);
  WriteWeightList(out, m.rootList);
  const int n = FunctionCount();
  out->I16(static_cast<int16_t>(n));
  for (FuncId f = 0; f < n; ++f) {
    for (int slot = 0; slot < kArgSlots; ++slot) {
      for (int d = 0; d < kDepthClasses; ++d) {
        const WeightList* list = SnapshotList(m, f, slot, d);
        WriteWeightList(out, list != nullptr ? *list : nullptr);
      }
    }
  }
  out->U16(0);
}

bool ReadMember(ByteReader* in, ViewParams* vp, bool regrow, Member* member, std::string* error) {
  in->readFailed = false;
  in->U16();  // version: any
  const TypeId type = in->I16();
  if (in->readFailed) {
    *error = "the file is truncated in the filter header";
    return false;
  }
  if (type != kUnit && type != kColour) {
    *error = "root type " + std::to_string(type) + " is neither unit (2) nor colour (9)";
    return false;
  }
  Member m{};
  m.type = type;
  m.seed = ReadViewParams(in);
  bool ok = ReadWeightList(in, type, "the root list", &m.rootList, error);
  const int16_t n = ok ? in->I16() : 0;
  if (ok && (n < 0 || n > FunctionCount())) {
    *error = "the weight table covers " + std::to_string(n) + " functions; " +
             std::to_string(FunctionCount()) + " exist";
    ok = false;
  }
  if (ok) {
    const size_t lists = static_cast<size_t>(n) * kArgSlots * kDepthClasses;
    m.weights = AllocateWeightTable(lists);
    m.weightFunctions = n;
    ok = m.weights != nullptr;
    if (!ok) *error = "out of memory";
  }
  for (FuncId f = 0; ok && f < n; ++f) {
    const uint32_t signature = Function(f).signature;
    for (int slot = 0; ok && slot < kArgSlots; ++slot) {
      const TypeId argType = SignatureArg(signature, slot);
      for (int d = 0; ok && d < kDepthClasses; ++d) {
        // Lists of slots a function does not have are never read; any entry
        // is accepted there and kept as it is.
        ok = ReadWeightList(in, argType, Where(f, slot, d), SnapshotList(m, f, slot, d), error);
      }
    }
  }
  if (ok && in->readFailed) {
    *error = "the file is truncated";
    ok = false;
  }
  if (!ok) {
    Discard(&m);
    return false;
  }
  if (regrow) RegrowMember(&m, vp);
  *member = m;
  return true;
}

}  // namespace pxb
