// The pixbreed subcommands. Each reads its arguments from the parsed command
// line and throws cli::Failure with a message when it cannot do its work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/image.h"

namespace pxb::cli {

struct NewArgs {
  std::string session;
  int previews = 3;
  bool grey = false;
  int seed = -1;  // -1: from the clock
  bool force = false;
};
void RunNew(const NewArgs& args);

void RunShow(const std::string& path);

struct TreeArgs {
  std::string target;
  std::string view = "64x64";
  std::string source;
  std::string sourceSize;
  int grid = 64;
};
void RunTree(const TreeArgs& args);

struct PreviewArgs {
  std::string session;
  std::string image;
  std::string output;
  int size = 135;
  int threads = 0;
  int64_t maxPixels = kDefaultMaxReadPixels;
};
void RunPreview(const PreviewArgs& args);

struct BreedArgs {
  std::string session;
  std::vector<std::string> ratings;  // "K=P"
  int64_t time = -1;                 // -1: the clock
};
void RunBreed(const BreedArgs& args);
void RunUndo(const std::string& path);
void RunHistory(const std::string& path);

void RunPick(const std::string& path, const std::string& member);
void RunExport(const std::string& path, const std::string& member, const std::string& filter,
               bool force);
void RunImport(const std::string& path, const std::string& member, const std::string& filter);

struct ApplyArgs {
  std::string filter;
  std::string image;
  std::string output;
  std::string mask;
  int threads = 0;  // 0: every core
  int64_t maxPixels = kDefaultMaxReadPixels;
};

// The most threads a render may use: each grows a tree of its own.
inline constexpr int kMaxThreads = 64;
void RunApply(const ApplyArgs& args);

}  // namespace pxb::cli
