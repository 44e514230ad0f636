// The text form of a tree as it stands after growth: one line, "(label
// attributes args...)", constants printed with 17 significant digits.
#pragma once

#include <string>

#include "engine/node.h"

namespace pxb {

std::string ExpressionText(const Node* root);

// The FNV-1a 32-bit hash of a byte block.
uint32_t Fnv1a32(const void* data, size_t size);

}  // namespace pxb
