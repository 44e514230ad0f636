#include <cstdio>

#include "evolution/filter_file.h"
#include "evolution/render.h"
#include "primitives/expression_text.h"
#include "primitives/fractal_generator.h"
#include "primitives/source_image.h"
#include "storage/session_store.h"
#include "tools/pixbreed/cli_common.h"
#include "tools/pixbreed/commands.h"

namespace pxb::cli {
namespace {

void PrintTree(const Member& member, Size view, const char* prefix) {
  ViewParams vp{view.width, view.height, 0, {}};
  Node* tree = GrowTreeCopy(member, &vp);
  std::printf("%s%s\n", prefix, ExpressionText(tree).c_str());
  NodeRelease(&tree, &vp);
}

}  // namespace

void RunTree(const TreeArgs& args) {
  const Size view = ParseSize(args.view, "--view");
  if (args.grid < 2 || args.grid > 4096 || (args.grid & (args.grid - 1)) != 0) {
    throw Failure{"--grid must be a power of two from 2 to 4096"};
  }
  Image source;
  if (!args.source.empty()) {
    if (!args.sourceSize.empty()) throw Failure{"--source and --source-size exclude each other"};
    source = ReadImageOrFail(args.source);
  } else {
    const Size s = args.sourceSize.empty() ? view : ParseSize(args.sourceSize, "--source-size");
    std::string error;
    if (!AllocateImage(&source, s.width, s.height, 3, &error)) throw Failure{error};
  }
  SetSourceImage(source.width, source.height, source.pixels.data(),
                 static_cast<int32_t>(source.RowBytes()), source.channels);
  SetFractalGridSize(args.grid);

  const MemberRef ref = ParseMemberRef(args.target);
  if (EndsWith(ref.path, ".gdo")) {
    if (ref.member >= 0) throw Failure{"a filter file holds one member: leave out ':K'"};
    Member m{};
    ViewParams vp{view.width, view.height, 0, {}};
    std::string error;
    if (!LoadFilterFile(ref.path, &vp, false, &m, &error)) throw Failure{error};
    PrintTree(m, view, "");
    ReleaseMember(&m, &vp);
    return;
  }
  Session s;
  LoadSessionOrFail(ref.path, &s);
  if (ref.member >= 0) {
    PrintTree(s.population.members[ref.member], view, "");
    return;
  }
  for (int k = 0; k < kPopulationSize; ++k) {
    const std::string prefix = std::to_string(k) + "\t";
    PrintTree(s.population.members[k], view, prefix.c_str());
  }
}

}  // namespace pxb::cli
