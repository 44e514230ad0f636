#include "testhost/ui_script.h"

#include <cstdio>

#include "imageio/image_io.h"

namespace pxb::pxhost {

bool PrepareUiScript(const std::string& scriptPath, const std::string& session,
                     ui::ScriptedDialogs* dialogs, std::string* error) {
  if (!ui::LoadScript(scriptPath, &dialogs->script, error)) return false;
  dialogs->sessionAnswer = session;
  dialogs->savePicture = SavePicturePng;
  dialogs->saveContext = nullptr;
  return true;
}

bool SavePicturePng(void*, const ui::Picture& picture, const std::string& path,
                    std::string* error) {
  Image image;
  image.width = picture.width;
  image.height = picture.height;
  image.channels = 3;
  image.pixels = picture.rgb;
  return WriteImage(path, image, error);
}

int FinishUiScript(const ui::ScriptedDialogs& dialogs, int status) {
  for (const std::string& line : dialogs.log)
    std::fprintf(stderr, "ui: %s\n", line.c_str());
  std::string error;
  if (!ui::ScriptCompleted(dialogs, &error)) {
    std::fprintf(stderr, "pxhost: the dialog script stopped: %s\n", error.c_str());
    return status != 0 ? status : 2;
  }
  return status;
}

}  // namespace pxb::pxhost
