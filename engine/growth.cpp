#include "engine/growth.h"

#include <cstdlib>
#include <cstring>

#include "engine/allocation.h"

namespace pxb {
namespace {

constexpr int kDepthLimit = 4;

struct ForcedLeaves {
  TypeId type[2] = {0, 0};
  BuilderFn builder[2] = {nullptr, nullptr};
};

ForcedLeaves forcedLeaves;

BuilderFn ForcedLeafFor(TypeId type) {
  for (int i = 0; i < 2; ++i) {
    if (forcedLeaves.type[i] == type) return forcedLeaves.builder[i];
  }
  return nullptr;
}

int CopyValue(ArgSlot* args, void* result, Node* node, EvalContext* /*ctx*/) {
  std::memcpy(result, args[0].value, static_cast<size_t>(TypeSize(node->type)));
  return 0;
}

WeightList QuantisedCopy(WeightList list) {
  WeightList copy = CopyList(list);
  for (WeightEntry* e = copy; e != nullptr; e = e->next)
    e->weight = UnpackWeight(PackWeight(e->weight));
  return copy;
}

void RecordChoice(Member* member, FuncId parent, int slot, int depth, FuncId chosen) {
  auto* record = static_cast<ChoiceRecord*>(EngineMalloc(sizeof(ChoiceRecord)));
  if (record == nullptr) return;
  *record = ChoiceRecord{parent, slot, depth, chosen, member->choices};
  member->choices = record;
}

}  // namespace

void SetForcedLeaf(TypeId type, BuilderFn builder) {
  for (int i = 0; i < 2; ++i) {
    if (forcedLeaves.type[i] == 0 || forcedLeaves.type[i] == type) {
      forcedLeaves.type[i] = type;
      forcedLeaves.builder[i] = builder;
      return;
    }
  }
}

bool TakeSnapshot(Member* member, TypeId rootType) {
  const int n = FunctionCount();
  const size_t lists = static_cast<size_t>(n) * kArgSlots * kDepthClasses;
  member->weights = AllocateWeightTable(lists);
  member->weightFunctions = member->weights != nullptr ? n : 0;
  member->rootList = QuantisedCopy(RootList(rootType));
  if (member->weights == nullptr) return false;
  for (FuncId f = 0; f < n; ++f) {
    for (int slot = 0; slot < kArgSlots; ++slot) {
      for (int d = 0; d < kDepthClasses; ++d) {
        *SnapshotList(*member, f, slot, d) = QuantisedCopy(Function(f).weights[slot][d]);
      }
    }
  }
  return true;
}

Member GrowMember(TypeId rootType, ViewParams* view) {
  Member m{};
  m.type = rootType;
  m.seed = *view;
  TakeSnapshot(&m, rootType);
  m.tree = GrowTree(rootType, view, 0, 0, -1, &m);
  return m;
}

FuncId ChooseFunction(TypeId /*want*/, ViewParams* view, FuncId parent, int slot, int depth,
                      Member* member) {
  const WeightList* list =
      depth < 0 ? &member->rootList : SnapshotList(*member, parent, slot, depth);
  const WeightEntry* head = list != nullptr ? *list : nullptr;
  const auto u = static_cast<float>(NextDoubleOn(&view->rand));
  double sum = 0.0;
  int count = 0;
  for (const WeightEntry* e = head; e != nullptr; e = e->next, ++count) {
    sum += e->weight;
    if (sum >= u) {
      RecordChoice(member, parent, slot, depth, e->id);
      return e->id;
    }
  }
  if (count == 0) return -1;
  // No entry was reached (rounding left the weights' sum below the draw):
  // a uniform pick among the list's count entries.
  const WeightEntry* e = head;
  for (int k = NextInt31On(&view->rand) % count; k > 0 && e->next != nullptr; --k)
    e = e->next;
  return e->id;
}

Node* GrowTree(TypeId want, ViewParams* view, FuncId parent, int slot, int depth, Member* member) {
  const FuncId f = ChooseFunction(want, view, parent, slot, depth, member);
  if (f < 0) {
    // Nothing can fill this argument: a constant if the type has them.
    const MakerFn maker = TypeMaker(want);
    return maker != nullptr ? MakeConstant(want, view, maker) : nullptr;
  }
  const FuncRecord& record = Function(f);
  const int n = SignatureArgCount(record.signature);

  Node* children[kArgSlots] = {nullptr, nullptr, nullptr};
  ArgSlot slots[kArgSlots];
  bool complete = true;
  for (int i = 0; i < n; ++i) {
    const TypeId argType = SignatureArg(record.signature, i);
    Node* child = nullptr;
    if (depth + 1 < kDepthLimit) {
      child = GrowTree(argType, view, f, i, depth + 1, member);
    } else if (const BuilderFn leaf = ForcedLeafFor(argType); leaf != nullptr) {
      child = leaf(argType, 0, nullptr, view);
    } else if (const MakerFn maker = TypeMaker(argType); maker != nullptr) {
      child = MakeConstant(argType, view, maker);
    } else {
      child = GrowTree(argType, view, f, i, depth, member);
    }
    children[i] = child;
    slots[i] = ArgSlot{kSubtree, &children[i]};
    complete = complete && child != nullptr;
  }
  // The children's references pass to the builder only when it returns a
  // node. A builder that fails has taken none of them (any it had begun to
  // pass on it hands back), so they are released here, exactly once, and the
  // whole subtree is given up.
  Node* node = complete ? record.builder(want, n, slots, view) : nullptr;
  if (node == nullptr) {
    for (int i = 0; i < n; ++i)
      NodeRelease(&children[i], view);
  }
  return node;
}

Node* MakeConstant(TypeId type, ViewParams* view, MakerFn maker) {
  alignas(16) unsigned char value[256] = {};
  if (TypeSize(type) > static_cast<int32_t>(sizeof value)) return nullptr;
  maker(value, view);
  const ArgSlot slot{type, value};
  return NodeCreate(type, 1, &slot, 0, CopyValue, "cm", view);
}

void FreeChoices(ChoiceRecord** choices) {
  while (*choices != nullptr) {
    ChoiceRecord* next = (*choices)->next;
    EngineFree(*choices);
    *choices = next;
  }
}

void ReleaseMember(Member* member, ViewParams* view) {
  NodeRelease(&member->tree, view);
  member->tree = nullptr;
  if (member->weights != nullptr) {
    const size_t lists = static_cast<size_t>(member->weightFunctions) * kArgSlots * kDepthClasses;
    for (size_t i = 0; i < lists; ++i)
      FreeList(&member->weights[i]);
    std::free(member->weights);
    member->weights = nullptr;
  }
  member->weightFunctions = 0;
  FreeList(&member->rootList);
  FreeChoices(&member->choices);
}

}  // namespace pxb
