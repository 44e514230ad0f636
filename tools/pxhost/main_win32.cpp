// pxhost.exe: the test host on Windows. It loads the plug-in DLL as a host
// does (LoadLibrary, the property list from the "PIPL" resource, the entry
// name for this architecture, GetProcAddress) and runs it through the shared
// host side. The plug-in's own dialogs run; --ui drives them with a script
// when the driver is built in. With --session, pxhost keeps a parameter
// block naming that session in `parameters`, as a host that remembers the
// last run does: the start-up chooser is skipped, and --repeat-only repeats
// the session's chosen member without any dialog.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "host/parameters.h"
#include "tools/imageio/image_io.h"
#include "tools/pxhost/document.h"
#include "tools/pxhost/host_side.h"
#include "tools/pxhost/pxhost_run.h"
#ifdef PXB_HAVE_UI_DRIVER
#include "tools/pxhost/ui_driver_win32.h"
#endif

namespace {

using pxb::pxhost::PxhostArgs;

#ifdef _WIN64
constexpr std::uint32_t kEntryKey = 0x38363634;  // '8664'
#else
constexpr std::uint32_t kEntryKey = 0x77783836;  // 'wx86'
#endif
constexpr std::uint32_t kPropertyHeader = 16;
constexpr std::uint32_t kFirstProperty = 10;

std::uint32_t ReadU32(const unsigned char* p) {
  std::uint32_t v = 0;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The entry name the property list gives for this architecture; empty when
// the list is malformed or has none.
std::string EntryName(const unsigned char* pipl, std::uint32_t size) {
  if (size < kFirstProperty || ReadU32(pipl + 2) != 0) return {};
  const std::uint32_t count = ReadU32(pipl + 6);
  std::uint32_t at = kFirstProperty;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (size - at < kPropertyHeader) return {};
    const std::uint32_t key = ReadU32(pipl + at + 4);
    const std::uint32_t length = ReadU32(pipl + at + 12);
    at += kPropertyHeader;
    if (length > size - at) return {};
    if (key == kEntryKey) {
      const char* name = reinterpret_cast<const char*>(pipl + at);
      return std::string(name, strnlen(name, length));
    }
    at += (length + 3) & ~3u;
  }
  return {};
}

// Loads the plug-in and finds its entry point; null with a message when any
// step fails.
pxb::api::PluginEntryProc LoadPlugin(const std::string& path) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "pxhost: cannot load %s (error %lu)\n", path.c_str(), GetLastError());
    return nullptr;
  }
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(16000), "PIPL");
  HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
  const auto* pipl = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
  if (pipl == nullptr) {
    std::fprintf(stderr, "pxhost: %s has no PIPL resource 16000\n", path.c_str());
    return nullptr;
  }
  const std::string name = EntryName(pipl, SizeofResource(module, info));
  if (name.empty()) {
    std::fprintf(stderr, "pxhost: the property list names no entry for this architecture\n");
    return nullptr;
  }
  auto entry = reinterpret_cast<pxb::api::PluginEntryProc>(
      reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
  if (entry == nullptr) std::fprintf(stderr, "pxhost: no export named %s\n", name.c_str());
  return entry;
}

// Puts a parameter block naming `session` into the record's `parameters`.
bool KeepSessionParameters(pxb::pxhost::Host* host, const std::string& session) {
  pxb::host::ParameterBlock block{};
  if (session.size() >= pxb::host::kSessionPathCapacity) return false;
  block.haveSession = 1;
  std::memcpy(block.sessionPath, session.c_str(), session.size() + 1);
  pxb::api::FilterRecord& record = host->record();
  const pxb::api::HandleProcs* procs = record.handleProcs;
  pxb::api::Handle handle = procs->newProc(pxb::host::kParameterCopySize);
  if (handle == nullptr) return false;
  auto* bytes = reinterpret_cast<unsigned char*>(procs->lockProc(handle, 0));
  std::memcpy(bytes, &pxb::host::kParameterCopyTag, sizeof pxb::host::kParameterCopyTag);
  std::memcpy(bytes + sizeof pxb::host::kParameterCopyTag, &block, sizeof block);
  procs->unlockProc(handle);
  record.parameters = handle;
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "pxhost: %s\n", message.c_str());
  return 1;
}

// The run of RunPxhost with the session kept in `parameters` beforehand.
int RunWithSession(const PxhostArgs& args, pxb::api::PluginEntryProc entry) {
  namespace px = pxb::pxhost;
  std::string error;
  pxb::Image image;
  if (!pxb::ReadImage(args.image, &image, &error)) return Fail(error);
  px::Mode mode = px::ModeOf(image);
  if (!args.mode.empty() && !px::ParseMode(args.mode, &mode)) return Fail("unknown mode");
  px::Document document;
  if (!px::MakeDocument(image, mode, &document, &error)) return Fail(error);
  px::HostOptions options;
  options.maxSpace = args.maxSpace;
  options.errorString = !args.noErrorString;
  options.trace = args.trace;
  px::Host host(std::move(document), options, entry);
  if (!KeepSessionParameters(&host, args.session)) return Fail("session path too long");
  bool ok = true;
  if (!args.repeatOnly) {
    std::printf("run\n");
    ok = host.RunFilter(true) && ok;
  }
  if (args.repeat || args.repeatOnly) {
    std::printf("repeat\n");
    ok = host.RunFilter(false) && ok;
  }
  for (const std::string& problem : host.problems) {
    std::printf("problem: %s\n", problem.c_str());
    ok = false;
  }
  if (!ok) std::printf("message: %s\n", host.ErrorMessage().c_str());
  std::fflush(stdout);
  if (!pxb::WriteImage(args.output, px::DocumentImage(host.document()), &error)) {
    return Fail(error);
  }
  return ok ? 0 : 2;
}

// The plug-in beside pxhost.exe, unless --plugin PATH says otherwise (taken
// out of the arguments here).
std::string TakePluginPath(std::vector<char*>* argv) {
  for (std::size_t i = 1; i + 1 < argv->size(); ++i) {
    if (std::strcmp((*argv)[i], "--plugin") == 0) {
      std::string path = (*argv)[i + 1];
      argv->erase(argv->begin() + static_cast<std::ptrdiff_t>(i),
                  argv->begin() + static_cast<std::ptrdiff_t>(i) + 2);
      return path;
    }
  }
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string dir(self, n);
  const std::size_t slash = dir.find_last_of("\\/");
  dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
  return dir + "PXBREED.8bf";
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::vector<char*> arguments(argv, argv + argc);
    const std::string plugin = TakePluginPath(&arguments);
    PxhostArgs args;
    const int status =
        pxb::pxhost::ParseArguments(static_cast<int>(arguments.size()), arguments.data(), &args);
    if (status >= 0) return status;
    const pxb::api::PluginEntryProc entry = LoadPlugin(plugin);
    if (entry == nullptr) return 1;
    if (!args.ui.empty()) {
#ifdef PXB_HAVE_UI_DRIVER
      std::string error;
      if (!pxb::pxhost::StartUiDriver(args.ui, args.session, &error)) return Fail(error);
      const int runStatus = pxb::pxhost::RunPxhost(args, entry);
      if (!pxb::pxhost::FinishUiDriver(&error)) return Fail(error);
      return runStatus;
#else
      return Fail("--ui is not available: this pxhost.exe was built without the dialog driver");
#endif
    }
    if (!args.session.empty()) return RunWithSession(args, entry);
    return pxb::pxhost::RunPxhost(args, entry);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pxhost: %s\n", e.what());
    return 1;
  }
}
