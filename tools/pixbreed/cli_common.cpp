#include "tools/pixbreed/cli_common.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "evolution/learning_block.h"
#include "imageio/image_io.h"

namespace pxb::cli {
namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

void LoadSessionOrFail(const std::string& path, Session* session) {
  std::string error;
  if (!LoadSession(path, &session->population, &session->header, &error, &session->stamp)) {
    throw Failure{error};
  }
  session->path = path;
  SessionLearning& learning = GlobalLearning();
  if (!learning.damage.empty()) {
    std::fprintf(stderr,
                 "pixbreed: warning: %s: %s; the members are intact, the learning starts again "
                 "from the default weights and the history is empty\n",
                 path.c_str(), learning.damage.c_str());
  }
  // A session that carries no learning breeds the root type of member 0, as
  // sessions always did before they kept their own.
  if (!learning.fromFile) {
    learning.rootType = static_cast<TypeId>(session->population.members[0].type);
  }
  session->population.rootType = learning.rootType;
}

void SaveSessionOrFail(Session* session) {
  std::string error;
  if (!SaveSession(session->path, session->population, &session->header, &error, &session->stamp)) {
    throw Failure{"the session was not saved and is unchanged: " + error};
  }
}

MemberRef ParseMemberRef(const std::string& text) {
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos && AllDigits(text.substr(colon + 1))) {
    return MemberRef{text.substr(0, colon), ParseMemberIndex(text.substr(colon + 1))};
  }
  return MemberRef{text, -1};
}

int ParseMemberIndex(const std::string& text) {
  if (!AllDigits(text) || std::stoi(text) >= kPopulationSize) {
    throw Failure{"member '" + text + "' is not a number from 0 to 8"};
  }
  return std::stoi(text);
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

Size ParseSize(const std::string& text, const char* what) {
  const size_t x = text.find('x');
  if (x == std::string::npos || !AllDigits(text.substr(0, x)) || !AllDigits(text.substr(x + 1))) {
    throw Failure{std::string(what) + " '" + text + "' is not of the form WIDTHxHEIGHT"};
  }
  const Size s{std::stoi(text.substr(0, x)), std::stoi(text.substr(x + 1))};
  if (s.width < 1 || s.height < 1 || int64_t{s.width} * s.height > kMaxImagePixels) {
    throw Failure{std::string(what) + " '" + text + "' is out of range"};
  }
  return s;
}

Image ReadImageOrFail(const std::string& path, int64_t maxPixels) {
  if (maxPixels < 1 || maxPixels > kMaxImagePixels) {
    throw Failure{"--max-pixels must lie between 1 and " + std::to_string(kMaxImagePixels)};
  }
  Image image;
  std::string error;
  if (!ReadImage(path, &image, &error, maxPixels)) {
    if (error.find("more than the limit") != std::string::npos) error += " (see --max-pixels)";
    throw Failure{error};
  }
  return image;
}

void WriteImageOrFail(const std::string& path, const Image& image) {
  std::string error;
  if (!WriteImage(path, image, &error)) throw Failure{error};
}

Image ReduceForDialog(const Image& image) {
  const int32_t longer = std::max(image.width, image.height);
  const int32_t scale = longer <= 512 ? 1 : longer / 512;
  if (scale == 1) return image;
  Image reduced;
  std::string error;
  if (!AllocateImage(&reduced, image.width / scale, image.height / scale, image.channels, &error)) {
    throw Failure{error};
  }
  const auto channels = static_cast<size_t>(image.channels);
  for (int32_t y = 0; y < reduced.height; ++y) {
    const uint8_t* in = image.Row(y * scale);
    uint8_t* out = reduced.Row(y);
    for (int32_t x = 0; x < reduced.width; ++x) {
      std::copy_n(in + static_cast<size_t>(x) * static_cast<size_t>(scale) * channels, channels,
                  out + static_cast<size_t>(x) * channels);
    }
  }
  return reduced;
}

Size FitInSquare(int32_t imageWidth, int32_t imageHeight, int32_t box) {
  const double a = static_cast<double>(imageWidth) / imageHeight;
  if (a >= 1.0) return Size{box, std::max(1, static_cast<int32_t>(box / a))};
  return Size{std::max(1, static_cast<int32_t>(a * box)), box};
}

Progress::Progress(std::string label, int64_t total)
    : label_(std::move(label)), total_(total), started_(NowMs()) {}

void Progress::Update(int64_t done) {
  const int64_t now = NowMs();
  if (now - started_ < 1000 || now - lastShown_ < 500) return;
  lastShown_ = now;
  shown_ = true;
  const int percent = total_ > 0 ? static_cast<int>(100 * done / total_) : 100;
  if (isatty(2) != 0) {
    std::fprintf(stderr, "\r%s: %3d%%", label_.c_str(), percent);
  } else {
    std::fprintf(stderr, "%s: %d%%\n", label_.c_str(), percent);
  }
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!shown_) return;
  std::fprintf(stderr, isatty(2) != 0 ? "\r%s: 100%%\n" : "%s: 100%%\n", label_.c_str());
}

}  // namespace pxb::cli
