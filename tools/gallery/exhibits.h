// Hand-built trees that show one primitive family each.
#pragma once

#include <string>
#include <vector>

#include "engine/node.h"

namespace pxb::gallery {

struct Exhibit {
  std::string name;
  Node* tree;
};

// Builds the exhibits for view; their trees belong to the caller.
std::vector<Exhibit> BuildExhibits(ViewParams* view);

}  // namespace pxb::gallery
