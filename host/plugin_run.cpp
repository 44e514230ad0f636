#include "host/plugin_run.h"

#include <algorithm>
#include <cstring>

namespace pxb::host {
namespace {

PluginRun pluginRun;

}  // namespace

PluginRun& CurrentRun() {
  return pluginRun;
}

void SetModuleInstance(void* instance) {
  pluginRun.moduleInstance = instance;
}

void ClearRects() {
  api::FilterRecord* r = pluginRun.record;
  if (r == nullptr) return;
  r->inRect = api::Rect16{};
  r->outRect = api::Rect16{};
  r->maskRect = api::Rect16{};
}

void SetResult(api::OSErr code) {
  if (pluginRun.result != nullptr) *pluginRun.result = code;
}

api::OSErr Result() {
  return pluginRun.result != nullptr ? *pluginRun.result : api::noErr;
}

void ReportFailure(api::OSErr code, const std::string& message) {
  pluginRun.lastFailure = message;
  api::FilterRecord* r = pluginRun.record;
  if (r == nullptr || r->errorString == nullptr) {
    SetResult(code);
    return;
  }
  // A Pascal string: the length byte, then at most 255 characters.
  unsigned char* text = *r->errorString;
  const std::size_t length = std::min<std::size_t>(message.size(), 255);
  text[0] = static_cast<unsigned char>(length);
  std::memcpy(text + 1, message.data(), length);
  SetResult(api::errReportString);
}

}  // namespace pxb::host
