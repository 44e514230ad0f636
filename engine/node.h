// Reference-counted expression nodes and the resampling wrapper that adapts a
// map of another resolution to the view.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/value.h"

namespace pxb {

struct ChildLink {
  Node* node;    // null when the argument is a constant
  int32_t lazy;  // nonzero: the node's own evaluation function evaluates it
};

struct Node {
  int32_t refs;
  char name[16];
  TypeId type;
  int32_t resultSize;     // TypeSize(type), kept at hand for evaluation
  unsigned char* values;  // result value, then one value per argument
  EvalFn eval;
  int32_t nargs;
  ArgSlot* args;
  ChildLink* children;
  int32_t privateSize;
  void* priv;
  uint32_t flags;
  int32_t width;
  int32_t height;
  EvalContext key;  // the sample the stored result belongs to
  int32_t mark;
  NodeHook releaseHook;
  NodeHook resolutionHook;

  void* result() const { return values; }
  void* argValue(int i) const { return args[i].value; }
};

// Copies one value of `size` bytes. Values are 8, 24 or 40 bytes long in
// practice; fixed-size copies of those compile to a few moves.
inline void CopyValue(void* to, const void* from, int32_t size) {
  switch (size) {
    case 8:
      std::memcpy(to, from, 8);
      break;
    case 24:
      std::memcpy(to, from, 24);
      break;
    case 40:
      std::memcpy(to, from, 40);
      break;
    default:
      std::memcpy(to, from, static_cast<size_t>(size));
      break;
  }
}

// Creates a node over `nargs` arguments. Subtree slots point at Node*
// variables whose references pass to the new node; other slots point at
// constant values. Returns null (taking no references) when memory is short.
Node* NodeCreate(TypeId type, int nargs, const ArgSlot* args, int32_t privateSize, EvalFn eval,
                 const char* name, ViewParams* view);

void NodeRetain(Node* node);
// Drops the reference held in *holder and clears it; the last reference
// frees the node after its children, then runs its release hook.
void NodeRelease(Node** holder, ViewParams* view);

// Replaces *holder by a "pol2map" node that resamples it to any position.
void WrapResample(Node** holder, ViewParams* view);

// The resolution hook every node starts with: a map takes the size of its
// last full-size map child.
void DefaultResolutionHook(Node* node, ViewParams* view);

// Temporary argument arrays: `count` zeroed values of MaxTypeSize() bytes and
// their slots.
struct Scratch {
  unsigned char* buffer;
  ArgSlot* slots;
};
Scratch AllocScratch(int count);
void FreeScratch(Scratch scratch);

}  // namespace pxb
