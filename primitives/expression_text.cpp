#include "primitives/expression_text.h"

#include <cstdio>
#include <cstring>

#include "primitives/noise.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

void AppendDouble(std::string* s, const void* p) {
  double v;
  std::memcpy(&v, p, sizeof v);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  *s += buffer;
}

void AppendConstant(std::string* s, TypeId type, const void* value) {
  const auto* bytes = static_cast<const unsigned char*>(value);
  switch (type) {
    case kCplx: {
      ComplexValue c;
      std::memcpy(&c, value, sizeof c);
      *s += '[';
      AppendDouble(s, bytes);
      *s += ' ';
      AppendDouble(s, bytes + 8);
      *s += ' ' + std::to_string(c.polar) + ']';
      return;
    }
    case kOffset:
      *s += '[';
      for (int i = 0; i < 3; ++i) {
        if (i > 0) *s += ' ';
        AppendDouble(s, bytes + 8 * i);
      }
      *s += ']';
      return;
    case kColour: {
      ColourValue c;
      std::memcpy(&c, value, sizeof c);
      *s += '[';
      for (int i = 0; i < 4; ++i) {
        AppendDouble(s, bytes + 8 * i);
        *s += ' ';
      }
      *s += std::to_string(c.hsv) + ']';
      return;
    }
    default:
      AppendDouble(s, value);
      return;
  }
}

bool IsNoise(const Node* n) {
  return std::strcmp(n->name, "dopnoise2") == 0 || std::strcmp(n->name, "dopbnoise2") == 0 ||
         std::strcmp(n->name, "dopdnoise2") == 0;
}

bool IsFractal(const Node* n) {
  return std::strcmp(n->name, "rfract") == 0 || std::strcmp(n->name, "bfract") == 0;
}

void AppendNode(std::string* s, const Node* n) {
  *s += '(';
  *s += n->name;
  if (IsNoise(n)) {
    *s += " seed=" + std::to_string(NoiseSeed(n));
  } else if (IsFractal(n)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " map=%dx%d:%08x", static_cast<int>(n->width),
                  static_cast<int>(n->height),
                  static_cast<unsigned>(Fnv1a32(n->priv, static_cast<size_t>(n->privateSize))));
    *s += buffer;
  }
  for (int i = 0; i < n->nargs; ++i) {
    *s += ' ';
    if (n->children[i].node != nullptr) {
      AppendNode(s, n->children[i].node);
    } else {
      AppendConstant(s, n->args[i].type, n->args[i].value);
    }
  }
  *s += ')';
}

}  // namespace

uint32_t Fnv1a32(const void* data, size_t size) {
  uint32_t h = 0x811c9dc5u;
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    h ^= p[i];
    h *= 0x01000193u;
  }
  return h;
}

std::string ExpressionText(const Node* root) {
  std::string s;
  if (root == nullptr) return "()";
  AppendNode(&s, root);
  return s;
}

}  // namespace pxb
