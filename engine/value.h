// The small records that every part of the engine passes around: argument
// slots, the sample context, the build context and the operation signatures.
#pragma once

#include <cstdint>

#include "engine/rand.h"

namespace pxb {

using TypeId = int16_t;
using FuncId = int32_t;

// The type ids the engine itself relies on: arguments of the `subtree` type
// are child nodes, `unit` and `colour` are the two root types, and `colour`
// results are converted to RGB.
inline constexpr TypeId kSubtree = 1;
inline constexpr TypeId kUnit = 2;
inline constexpr TypeId kColour = 9;

struct Node;

// One argument: its type and where its value lives. For a slot of the
// `subtree` type, value is the address of a Node* variable.
struct ArgSlot {
  TypeId type;
  void* value;
};

// Dependency flags of a node, and the change mask of a render.
inline constexpr uint32_t kPositionDependent = 0x2;
inline constexpr uint32_t kMapValued = 0x800;
inline constexpr uint32_t kRenderMask = kPositionDependent | kMapValued;

// One sample. x and y are the pixel position normalised to the view; z is the
// third coordinate that position transforms set; column and row address the
// grid being evaluated. dither, when set, is the state the "dither" primitive
// draws from during this render (each render and thread owns one).
struct EvalContext {
  double x;
  double y;
  double z;
  int32_t column;
  int32_t row;
  uint32_t mask;
  RandState* dither;
};

// The build and render context: the resolution a tree is built or rendered
// for, whether maps are resampled bilinearly (smooth == 1), and the random
// state growth draws from.
struct ViewParams {
  int32_t width;
  int32_t height;
  int32_t smooth;
  RandState rand;
};

// Evaluation function of a node; also the form of a type's blend operation.
using EvalFn = int (*)(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
// Random-constant maker of a type: fills one value from view->rand.
using MakerFn = int (*)(void* out, ViewParams* view);
// Builder of a registered function. Ownership of the references held by the
// Node* variables of its subtree slots passes all or nothing: a builder that
// returns a node has taken every one of them; one that returns null has taken
// none, and the caller still holds (and releases) each one.
using BuilderFn = Node* (*)(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
// Release and resolution hooks of a node.
using NodeHook = void (*)(Node* node, ViewParams* view);

}  // namespace pxb
