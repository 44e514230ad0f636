// Colour primitives ("makrgb", "gswitch", "gmix") and the two leaves that
// read the source image: "phtshp" as a colour, "vphtshp" as a luminance.
#pragma once

#include <cstdint>

#include "engine/node.h"
#include "engine/value.h"

namespace pxb {

// 1/255 and the luminance weights 0.299, 0.587, 0.114 divided by 255.
inline constexpr double kByteScale = 0.00392156862745098;
inline constexpr double kLumaRed = 0.001172549019607843;
inline constexpr double kLumaGreen = 0.0023019607843137255;
inline constexpr double kLumaBlue = 0.0004470588235294118;

// Registers the run versions of the colour functions and image leaves.
void RegisterColourRunFns();

Node* BuildMakrgb(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildGswitch(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildGmix(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
// The image leaves take no arguments; their size follows the source image.
Node* BuildPhtshp(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildVphtshp(TypeId result, int nargs, ArgSlot* args, ViewParams* view);

// Resolution hook of the image leaves: width and height from SourceSize().
void RefreshSourceSize(Node* node, ViewParams* view);

// Folds a column (or row) into 0..size-1 by mirror tiling: odd tiles run
// backwards, so the edge pixel repeats.
int32_t MirrorFold(int32_t i, int32_t size);

int EvalMakrgb(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalGswitch(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalGmix(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalPhtshp(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalVphtshp(ArgSlot* args, void* result, Node* node, EvalContext* ctx);

}  // namespace pxb
