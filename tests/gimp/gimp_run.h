// What the GIMP tests share: a work folder per test program, a GIMP profile
// in it that holds only the plug-in under test, and the shell.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pxb::testing {

inline std::string Quoted(const std::filesystem::path& p) {
  return "\"" + p.string() + "\"";
}

inline int Shell(const std::string& command) {
  return std::system(command.c_str());
}

// The work folder of this test program (prefix and process id), emptied and
// given a GIMP profile whose only plug-in is ours.
inline std::filesystem::path PrepareGimpWorkDir(const std::string& prefix) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / (prefix + std::to_string(getpid()));
  fs::remove_all(dir);
  const fs::path plugins = dir / "profile" / "plug-ins" / "pixbreed";
  fs::create_directories(plugins);
  fs::copy_file(PXB_GIMP_PLUGIN, plugins / "pixbreed");
  return dir;
}

}  // namespace pxb::testing
