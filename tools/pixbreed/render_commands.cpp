#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "engine/colour.h"
#include "evolution/filter_file.h"
#include "evolution/render.h"
#include "imageio/image_io.h"
#include "primitives/fractal_generator.h"
#include "primitives/source_image.h"
#include "storage/session_store.h"
#include "tools/common/sheet.h"
#include "tools/pixbreed/cli_common.h"
#include "tools/pixbreed/commands.h"

namespace pxb::cli {
namespace {

int ThreadCount(int requested) {
  if (requested < 0 || requested > kMaxThreads) {
    throw Failure{"--threads must lie between 0 (every core) and " + std::to_string(kMaxThreads)};
  }
  if (requested > 0) return requested;
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
}

void UseAsSource(const Image& image) {
  SetSourceImage(image.width, image.height, image.pixels.data(),
                 static_cast<int32_t>(image.RowBytes()), image.channels);
}

// The member `apply` filters with: a filter file, a session's member K, or
// the session's chosen member. Returns how messages name it.
std::string LoadTarget(const std::string& target, Member* member) {
  const MemberRef ref = ParseMemberRef(target);
  std::string error;
  if (EndsWith(ref.path, ".gdo")) {
    if (ref.member >= 0) throw Failure{"a filter file holds one member: leave out ':K'"};
    ViewParams vp{};
    if (!LoadFilterFile(ref.path, &vp, false, member, &error)) throw Failure{error};
    return "the filter in " + ref.path;
  }
  Session s;
  LoadSessionOrFail(ref.path, &s);
  int k = ref.member;
  if (k < 0) {
    k = s.header.chosenMember;
    if (k < 0) {
      throw Failure{ref.path + ": no member has been picked; pick one or name it as " + ref.path +
                    ":K"};
    }
  }
  *member = s.population.members[k];
  s.population.members[k] = Member{};
  return "member " + std::to_string(k) + " of " + ref.path;
}

// Runs the render on a thread of its own and reports progress until the
// render ends, however it ends.
RenderOutcome RenderWithProgress(const Member& member, RenderJob job, const RowSink& sink,
                                 const char* label) {
  std::atomic<int32_t> rows{0};
  job.rowsDone = &rows;
  std::atomic<bool> ended{false};
  RenderOutcome outcome = RenderOutcome::kCancelled;
  std::thread worker([&] {
    outcome = RenderMember(member, job, sink);
    ended.store(true);
  });
  Progress progress(label, job.height);
  while (!ended.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    progress.Update(rows.load());
  }
  worker.join();  // outcome is read only after the join
  if (outcome == RenderOutcome::kDone) progress.Finish();
  return outcome;
}

// Refuses an output path the image could not be written to, before any
// work is done.
void CheckOutputPath(const std::string& path) {
  if (FormatFromPath(path) == ImageFormat::kUnknown) {
    throw Failure{path + ": unknown image format (expected .png, .jpg or .jpeg)"};
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw Failure{path + ": is a folder"};
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    throw Failure{path + ": the folder " + folder.string() + " does not exist"};
  }
}

}  // namespace

void RunApply(const ApplyArgs& args) {
  const int threads = ThreadCount(args.threads);
  CheckOutputPath(args.output);
  const Image input = ReadImageOrFail(args.image, args.maxPixels);
  Image mask;
  if (!args.mask.empty()) {
    mask = ReadImageOrFail(args.mask, args.maxPixels);
    if (mask.width != input.width || mask.height != input.height) {
      throw Failure{args.mask + ": the mask is " + std::to_string(mask.width) + "x" +
                    std::to_string(mask.height) + ", the image " + std::to_string(input.width) +
                    "x" + std::to_string(input.height)};
    }
  }
  Member member{};
  const std::string name = LoadTarget(args.filter, &member);
  struct Owner {
    Member* m;
    ~Owner() {
      ViewParams vp{};
      ReleaseMember(m, &vp);
    }
  } owner{&member};

  UseAsSource(input);
  SetFractalGridSize(256);
  Image output = input;
  const int planes = input.channels;
  const int colourPlanes = planes == 1 ? 1 : 3;
  const int channels = ChannelsOf(static_cast<TypeId>(member.type));
  const auto width = static_cast<size_t>(input.width);
  const RowSink sink = [&](int32_t y, const double* values) {
    const uint8_t* in = input.Row(y);
    uint8_t* out = output.Row(y);
    const uint8_t* m = mask.pixels.empty() ? nullptr : mask.Row(y);
    for (size_t x = 0; x < width; ++x) {
      const uint8_t level = m != nullptr ? m[x * static_cast<size_t>(mask.channels)] : 0;
      if (m != nullptr && level == 0) continue;  // unselected: left as it was
      WriteFilteredPixel(values + x * static_cast<size_t>(channels), channels, colourPlanes,
                         in + x * static_cast<size_t>(planes), level, m != nullptr,
                         out + x * static_cast<size_t>(planes), planes);
    }
  };
  RenderJob job;
  job.width = input.width;
  job.height = input.height;
  job.threads = threads;
  if (!mask.pixels.empty()) {
    job.mask = mask.pixels.data();
    job.maskRowBytes = static_cast<ptrdiff_t>(mask.RowBytes());
    job.maskPixelBytes = mask.channels;
  }
  const RenderOutcome outcome = RenderWithProgress(member, job, sink, "apply");
  if (outcome != RenderOutcome::kDone) {
    throw Failure{name + " " + RenderFailureText(outcome) + "; nothing was written"};
  }
  WriteImageOrFail(args.output, output);
}

void RunPreview(const PreviewArgs& args) {
  if (args.size < 8 || args.size > 2048) throw Failure{"--size must lie between 8 and 2048"};
  const int threads = ThreadCount(args.threads);
  CheckOutputPath(args.output);
  Session s;
  LoadSessionOrFail(args.session, &s);
  const Image reduced = ReduceForDialog(ToRgb(ReadImageOrFail(args.image, args.maxPixels)));
  if (reduced.pixels.empty()) throw Failure{args.image + ": the image is too small to preview"};
  UseAsSource(reduced);
  SetFractalGridSize(64);

  const int shown = static_cast<int>(s.header.previewCount);
  const Size frame = FitInSquare(reduced.width, reduced.height, args.size);
  const Size picture{std::max(1, frame.width - 4), std::max(1, frame.height - 4)};
  std::vector<Image> pictures(static_cast<size_t>(shown));
  std::atomic<int> next{0};
  // What each preview's render came to; a preview that was not allocated
  // counts as not rendered.
  std::vector<RenderOutcome> outcomes(static_cast<size_t>(shown), RenderOutcome::kCancelled);
  auto work = [&] {
    for (int k = next++; k < shown; k = next++) {
      const Member& m = s.population.members[k];
      Image& out = pictures[static_cast<size_t>(k)];
      std::string error;
      if (!AllocateImage(&out, picture.width, picture.height, 3, &error)) return;
      const int channels = ChannelsOf(static_cast<TypeId>(m.type));
      RenderJob job;
      job.width = picture.width;
      job.height = picture.height;
      outcomes[static_cast<size_t>(k)] = RenderMember(m, job, [&](int32_t y, const double* v) {
        QuantiseRowToRgb(v, channels, picture.width, out.Row(y));
      });
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(static_cast<size_t>(std::min(threads, shown)));
  for (int t = 0; t < std::min(threads, shown); ++t)
    pool.emplace_back(work);
  for (std::thread& t : pool)
    t.join();
  for (int k = 0; k < shown; ++k) {
    const RenderOutcome outcome = outcomes[static_cast<size_t>(k)];
    if (outcome == RenderOutcome::kDone) continue;
    throw Failure{"member " + std::to_string(k) + " of " + args.session + " " +
                  (outcome == RenderOutcome::kNoTree ? RenderFailureText(outcome)
                                                     : "could not be rendered (out of memory)") +
                  "; nothing was written"};
  }
  WriteImageOrFail(args.output, ContactSheet(pictures, 3));
}

}  // namespace pxb::cli
