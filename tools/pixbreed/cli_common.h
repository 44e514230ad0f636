// What the pixbreed subcommands share: loading and saving sessions with clear
// messages, member references, sizes, the dialog's image reduction and
// progress reports.
#pragma once

#include <cstdint>
#include <string>

#include "evolution/population.h"
#include "evolution/session_file.h"
#include "imageio/image.h"
#include "storage/session_store.h"

namespace pxb::cli {

// A failure a command reports: the message goes to stderr and the process
// exits with status 1.
struct Failure {
  std::string message;
};

// A session read from disk, with its own population.
struct Session {
  std::string path;
  Population population{};
  SessionHeader header{};
  // The version of the file that was read: a save is refused when another
  // program has replaced the file since.
  FileStamp stamp{};
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { ReleasePopulation(&population); }
};

void LoadSessionOrFail(const std::string& path, Session* session);
void SaveSessionOrFail(Session* session);

// "FILE:K" names member K of a session; a plain name has no member part.
struct MemberRef {
  std::string path;
  int member = -1;  // -1: none given
};
MemberRef ParseMemberRef(const std::string& text);
int ParseMemberIndex(const std::string& text);

bool EndsWith(const std::string& s, const std::string& suffix);

struct Size {
  int32_t width;
  int32_t height;
};
Size ParseSize(const std::string& text, const char* what);

// Reads an image or fails with the reader's message; images of more than
// maxPixels pixels are refused.
Image ReadImageOrFail(const std::string& path, int64_t maxPixels = kDefaultMaxReadPixels);
void WriteImageOrFail(const std::string& path, const Image& image);

// The copy of the image the plug-in's dialog works on: every scale-th pixel
// in both directions, scale = 1 up to 512 pixels on the longer side,
// otherwise the longer side divided by 512.
Image ReduceForDialog(const Image& image);

// The largest rectangle of the image's aspect ratio inside box x box, as the
// dialog fits previews into their frames.
Size FitInSquare(int32_t imageWidth, int32_t imageHeight, int32_t box);

// Prints "label: NN%" to stderr now and then while work goes on.
class Progress {
 public:
  Progress(std::string label, int64_t total);
  void Update(int64_t done);
  void Finish();

 private:
  std::string label_;
  int64_t total_;
  int64_t started_;
  int64_t lastShown_ = 0;
  bool shown_ = false;
};

}  // namespace pxb::cli
