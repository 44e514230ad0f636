#include "engine/weights.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/member.h"

namespace pxb {
namespace {

struct RootWeights {
  WeightList unit = nullptr;
  WeightList colour = nullptr;
};

RootWeights rootWeights;
ExcludedFunctions exclusions;

bool IsExcluded(FuncId parent, int slot, FuncId candidate) {
  const ExcludedFunctions& x = exclusions;
  const bool noise = parent == x.dopnoise || parent == x.dopbnoise || parent == x.dopdnoise;
  if (noise && slot == 0 && (candidate == x.mu || candidate == x.mv || candidate == x.minpe)) {
    return true;
  }
  return parent == x.minpe && candidate == x.minpe;
}

int ArgCount(FuncId id) {
  return SignatureArgCount(Function(id).signature);
}

}  // namespace

ExcludedFunctions& Exclusions() {
  return exclusions;
}

WeightList& RootList(TypeId rootType) {
  return rootType == kColour ? rootWeights.colour : rootWeights.unit;
}

WeightEntry* FindOrAddEntry(WeightList* head, FuncId id) {
  WeightEntry** link = head;
  while (*link != nullptr && (*link)->id < id)
    link = &(*link)->next;
  if (*link != nullptr && (*link)->id == id) return *link;
  auto* entry = static_cast<WeightEntry*>(std::malloc(sizeof(WeightEntry)));
  if (entry == nullptr) return nullptr;
  *entry = WeightEntry{id, 1.0f, *link};
  *link = entry;
  return entry;
}

void NormaliseList(WeightList head) {
  double sum = 0.0;
  for (const WeightEntry* e = head; e != nullptr; e = e->next)
    sum += e->weight;
  if (sum == 0.0) return;
  for (WeightEntry* e = head; e != nullptr; e = e->next) {
    e->weight = static_cast<float>(static_cast<double>(e->weight) / sum);
  }
}

int ListLength(WeightList head) {
  int n = 0;
  for (; head != nullptr; head = head->next)
    ++n;
  return n;
}

WeightList CopyList(WeightList head) {
  WeightList copy = nullptr;
  WeightEntry** tail = &copy;
  for (; head != nullptr; head = head->next) {
    auto* e = static_cast<WeightEntry*>(std::malloc(sizeof(WeightEntry)));
    if (e == nullptr) {
      FreeList(&copy);
      return nullptr;
    }
    *e = WeightEntry{head->id, head->weight, nullptr};
    *tail = e;
    tail = &e->next;
  }
  return copy;
}

void FreeList(WeightList* head) {
  while (*head != nullptr) {
    WeightEntry* next = (*head)->next;
    std::free(*head);
    *head = next;
  }
}

WeightList* AllocateWeightTable(size_t lists) {
  // The table holds list heads, which are pointers.
  return static_cast<WeightList*>(std::calloc(
      lists > 0 ? lists : 1, sizeof(WeightEntry*)));  // NOLINT(bugprone-sizeof-expression)
}

void InitWeights() {
  const FuncId* sorted = GlobalRegistry().sorted;
  for (const TypeId rootType : std::array{kUnit, kColour}) {
    int first = 0;
    int end = 0;
    ProducersOf(rootType, &first, &end);
    if (first == end) break;
    for (int i = first; i < end; ++i) {
      const FuncId g = sorted[i];
      WeightEntry* e = FindOrAddEntry(&RootList(rootType), g);
      if (e != nullptr && e->weight != 0.0f) e->weight = kDefaultWeight[ArgCount(g)][0];
    }
  }
  NormaliseList(rootWeights.unit);
  NormaliseList(rootWeights.colour);

  for (int fi = 0; fi < FunctionCount(); ++fi) {
    const FuncId f = sorted[fi];
    FuncRecord& record = Function(f);
    const int nargs = SignatureArgCount(record.signature);
    for (int slot = 0; slot < nargs; ++slot) {
      int first = 0;
      int end = 0;
      ProducersOf(SignatureArg(record.signature, slot), &first, &end);
      if (first == end) break;
      for (int i = first; i < end; ++i) {
        const FuncId g = sorted[i];
        for (int d = 0; d < kDepthClasses; ++d) {
          WeightEntry* e = FindOrAddEntry(&record.weights[slot][d], g);
          if (e == nullptr) continue;
          if (IsExcluded(f, slot, g)) e->weight = 0.0f;
          if (e->weight != 0.0f) e->weight = kDefaultWeight[ArgCount(g)][d];
        }
      }
      for (int d = 0; d < kDepthClasses; ++d)
        NormaliseList(record.weights[slot][d]);
    }
  }
}

void ResetWeights() {
  FreeList(&rootWeights.unit);
  FreeList(&rootWeights.colour);
  for (FuncId f = 0; f < FunctionCount(); ++f) {
    for (auto& slot : Function(f).weights) {
      for (WeightList& list : slot)
        FreeList(&list);
    }
  }
  InitWeights();
}

float AdjustWeight(float w, float e) {
  if (e == 0.0f) return w;
  if (std::fabs(e) < 1.0f) {
    float t = w * e;
    t = t + 1.0f;
    t = t - e;
    return t * w;
  }
  const auto p = static_cast<float>(std::pow(2.0, static_cast<double>(std::fabs(e))));
  if (e > 0.0f) return static_cast<float>(std::pow(static_cast<double>(w), static_cast<double>(p)));
  const float rest = 1.0f - w;
  return 1.0f - static_cast<float>(std::pow(static_cast<double>(rest), static_cast<double>(p)));
}

void ApplyRating(const Member& member, float rating) {
  const double v = 1.0 - 2.0 * static_cast<double>(rating);
  const auto e = static_cast<float>(4.0 * v * v * v);
  const TypeId rootType = member.tree != nullptr ? member.tree->type : member.type;
  for (const ChoiceRecord* c = member.choices; c != nullptr; c = c->next) {
    WeightList* list =
        c->depth < 0 ? &RootList(rootType) : &Function(c->parent).weights[c->slot][c->depth];
    WeightEntry* entry = FindOrAddEntry(list, c->chosen);
    if (entry == nullptr) continue;
    entry->weight = AdjustWeight(entry->weight, e);
    NormaliseList(*list);
  }
}

uint16_t PackWeight(float w) {
  if (w + 0.0f >= 1.0f) return 65535;
  if (!(w > 0.0f)) return 0;
  const float f = 1.0f + w;
  // The upper 16 of the 23 fraction bits of 1 + w.
  uint32_t bits = 0;
  static_assert(sizeof bits == sizeof f);
  std::memcpy(&bits, &f, sizeof bits);
  return static_cast<uint16_t>((bits & 0x7FFFFF) >> 7);
}

float UnpackWeight(uint16_t packed) {
  return (1.0f + static_cast<float>(packed) / 65536.0f) - 1.0f;
}

}  // namespace pxb
