#include "engine/node.h"

#include <cstring>

#include "engine/allocation.h"
#include "engine/eval.h"
#include "engine/registry.h"

namespace pxb {
namespace {

size_t AlignUp(size_t n) {
  return (n + 15) & ~size_t{15};
}

bool IsFullMap(const Node* n) {
  return n != nullptr && (n->flags & kMapValued) != 0 && n->width > 1 && n->height > 1;
}

int32_t EffectiveType(const ArgSlot& slot) {
  if (slot.type != kSubtree) return slot.type;
  const Node* child = *static_cast<Node* const*>(slot.value);
  return child != nullptr ? child->type : 0;
}

}  // namespace

Node* NodeCreate(TypeId type, int nargs, const ArgSlot* args, int32_t privateSize, EvalFn eval,
                 const char* name, ViewParams* view) {
  size_t valuesSize = static_cast<size_t>(TypeSize(type));
  for (int i = 0; i < nargs; ++i) {
    const int32_t t = EffectiveType(args[i]);
    valuesSize += t > 0 ? static_cast<size_t>(TypeSize(static_cast<TypeId>(t))) : 0;
  }
  // One block holds the node, its slots, its child links, its values and its
  // private data, so a node costs a single allocation and frees at once.
  const size_t nodeEnd = AlignUp(sizeof(Node));
  const size_t argsEnd = nodeEnd + AlignUp(sizeof(ArgSlot) * static_cast<size_t>(nargs));
  const size_t childEnd = argsEnd + AlignUp(sizeof(ChildLink) * static_cast<size_t>(nargs));
  const size_t valuesEnd = childEnd + AlignUp(valuesSize);
  auto* block =
      static_cast<unsigned char*>(EngineCalloc(1, valuesEnd + static_cast<size_t>(privateSize)));
  if (block == nullptr) return nullptr;

  auto* node = reinterpret_cast<Node*>(block);
  node->refs = 1;
  std::strncpy(node->name, name, sizeof node->name - 1);
  node->type = type;
  node->resultSize = TypeSize(type);
  node->eval = eval;
  node->nargs = nargs;
  node->privateSize = privateSize;
  node->values = block + childEnd;
  node->args = nargs > 0 ? reinterpret_cast<ArgSlot*>(block + nodeEnd) : nullptr;
  node->children = nargs > 0 ? reinterpret_cast<ChildLink*>(block + argsEnd) : nullptr;
  node->priv = privateSize > 0 ? block + valuesEnd : nullptr;

  // Resolution from the map children; two that disagree fall back to the view.
  int32_t width = 1;
  int32_t height = 1;
  bool haveMap = false;
  bool conflict = false;
  for (int i = 0; i < nargs; ++i) {
    if (args[i].type != kSubtree) continue;
    const Node* child = *static_cast<Node* const*>(args[i].value);
    if (!IsFullMap(child)) continue;
    if (!haveMap) {
      width = child->width;
      height = child->height;
      haveMap = true;
    } else if (child->width != width || child->height != height) {
      conflict = true;
    }
  }
  if (conflict) {
    width = view->width;
    height = view->height;
  }

  uint32_t flags = 0;
  unsigned char* cursor = node->values + TypeSize(type);
  for (int i = 0; i < nargs; ++i) {
    const int32_t t = EffectiveType(args[i]);
    node->args[i].type = static_cast<TypeId>(t);
    node->args[i].value = cursor;
    if (args[i].type == kSubtree) {
      auto** holder = static_cast<Node**>(args[i].value);
      Node* child = *holder;
      if (conflict && IsFullMap(child) &&
          (child->width != view->width || child->height != view->height)) {
        WrapResample(holder, view);
        child = *holder;
      }
      node->children[i].node = child;
      if (child != nullptr) flags |= child->flags;
    } else {
      std::memcpy(cursor, args[i].value, static_cast<size_t>(TypeSize(static_cast<TypeId>(t))));
    }
    cursor += t > 0 ? TypeSize(static_cast<TypeId>(t)) : 0;
  }

  node->flags = flags;
  node->width = width;
  node->height = height;
  std::memset(&node->key, 0x01, sizeof node->key);
  node->mark = 0;
  node->releaseHook = nullptr;
  node->resolutionHook = DefaultResolutionHook;
  return node;
}

void NodeRetain(Node* node) {
  if (node != nullptr) ++node->refs;
}

void NodeRelease(Node** holder, ViewParams* view) {
  Node* node = *holder;
  // The variable's reference is gone either way; clearing it keeps a second
  // release of the same variable harmless.
  *holder = nullptr;
  if (node == nullptr || --node->refs > 0) return;
  for (int i = 0; i < node->nargs; ++i)
    NodeRelease(&node->children[i].node, view);
  if (node->releaseHook != nullptr) node->releaseHook(node, view);
  EngineFree(node);
}

void WrapResample(Node** holder, ViewParams* view) {
  Node* child = *holder;
  const ArgSlot slot{kSubtree, holder};
  Node* wrapper = NodeCreate(child->type, 1, &slot, sizeof(EvalFn), ResampleEval, "pol2map", view);
  if (wrapper == nullptr) {
    // Without a wrapper the map cannot be sampled at other positions: it is
    // given up, and the holder reads null.
    NodeRelease(holder, view);
    return;
  }
  const EvalFn blend = view->smooth == 1 ? TypeBlend(child->type) : nullptr;
  std::memcpy(wrapper->priv, &blend, sizeof blend);
  wrapper->children[0].lazy = 1;
  wrapper->flags = (child->flags & ~kMapValued) | kPositionDependent;
  *holder = wrapper;
}

void DefaultResolutionHook(Node* node, ViewParams* /*view*/) {
  if (node->nargs == 0) return;
  int32_t width = 1;
  int32_t height = 1;
  for (int i = 0; i < node->nargs; ++i) {
    const Node* child = node->children[i].node;
    if (child != nullptr && (child->flags & kMapValued) != 0 && child->width >= 2 &&
        child->height >= 2) {
      width = child->width;
      height = child->height;
    }
  }
  if ((node->flags & kMapValued) != 0) {
    node->width = width;
    node->height = height;
  }
}

Scratch AllocScratch(int count) {
  const auto stride = static_cast<size_t>(MaxTypeSize());
  auto* buffer = static_cast<unsigned char*>(EngineCalloc(static_cast<size_t>(count), stride));
  auto* slots = static_cast<ArgSlot*>(EngineCalloc(static_cast<size_t>(count), sizeof(ArgSlot)));
  if (buffer == nullptr || slots == nullptr) {
    EngineFree(buffer);
    EngineFree(slots);
    return Scratch{nullptr, nullptr};
  }
  for (int i = 0; i < count; ++i)
    slots[i].value = buffer + static_cast<size_t>(i) * stride;
  return Scratch{buffer, slots};
}

void FreeScratch(Scratch scratch) {
  EngineFree(scratch.buffer);
  EngineFree(scratch.slots);
}

}  // namespace pxb
