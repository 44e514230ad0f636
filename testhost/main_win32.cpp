// pxhost.exe: the test host on Windows. It loads the plug-in DLL as a host
// does (LoadLibrary, the property list from the "PIPL" resource, the entry
// name for this architecture, GetProcAddress) and runs it through the shared
// host side. The plug-in's own dialogs run; --ui drives them with a script
// when the driver is built in. The options mean what they mean natively:
// --session answers the start-up chooser (through the driver), and a repeat
// of a session's chosen member without any dialog is --kept-session with
// --repeat-only.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "testhost/pxhost_run.h"
#include "testhost/ui_driver_win32.h"

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

int Fail(const std::string& message) {
  std::fprintf(stderr, "pxhost: %s\n", message.c_str());
  return 1;
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
      std::string error;
      if (!pxb::pxhost::StartUiDriver(args.ui, args.session, &error)) return Fail(error);
      const int runStatus = pxb::pxhost::RunPxhost(args, entry);
      if (!pxb::pxhost::FinishUiDriver(&error)) return Fail(error);
      return runStatus;
    }
    return pxb::pxhost::RunPxhost(args, entry);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pxhost: %s\n", e.what());
    return 1;
  }
}
