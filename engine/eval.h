// Preparing a tree for a render and evaluating it per sample.
#pragma once

#include "engine/node.h"

namespace pxb {

// Readies the tree held in *holder for rendering at view: wraps a map root of
// another resolution, marks shared nodes, folds constant subtrees and brings
// map resolutions up to date. Sets ctx->mask to the render mask.
void PrepareTree(Node** holder, EvalContext* ctx, ViewParams* view);

// The three passes of PrepareTree without the root wrap.
void MarkSharedNodes(Node* root);
void FoldConstants(Node* root, EvalContext* ctx, ViewParams* view);
void UnmarkNodes(Node* root);

// Evaluates the root at ctx->column, ctx->row of view and writes its value to
// out; a colour comes out as red, green, blue.
void EvaluateAt(Node* root, void* out, EvalContext* ctx, const ViewParams* view);

// Evaluates one node for the current sample; copies its value to out when out
// is not null. A null node is ignored.
int EvaluateNode(Node* node, void* out, EvalContext* ctx);

// The evaluation function of "pol2map" nodes.
int ResampleEval(ArgSlot* args, void* result, Node* node, EvalContext* ctx);

}  // namespace pxb
