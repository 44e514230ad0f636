// pxres OUTDIR: writes the plug-in's resources as files for the resource
// compiler. pipl32.bin and pipl64.bin are the property lists of the 32-bit
// and the 64-bit DLL, aete.bin the scripting terminology, about.txt the
// about string (for reference; the .rc carries it in its string table),
// dialogs.rc the dialog templates as a resource script.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "resources/plugin_resources.h"
#include "ui/templates.h"

namespace {

bool WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "pxres: cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  return WriteFile(path,
                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The three dialog templates, one DIALOGEX statement each.
std::string DialogScript() {
  std::string script = "// The plug-in's dialog templates, written by pxres.\n\n";
  for (const pxb::ui::DialogTemplate* dialog :
       {&pxb::ui::kMainDialogTemplate, &pxb::ui::kSelectionDialogTemplate,
        &pxb::ui::kPropertiesDialogTemplate}) {
    script += pxb::ui::DialogResourceScript(*dialog);
    script += "\n";
  }
  return script;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
    std::fprintf(stderr,
                 "usage: pxres OUTDIR\n"
                 "writes pipl32.bin, pipl64.bin, aete.bin, about.txt and dialogs.rc into OUTDIR\n");
    return argc == 2 ? 0 : 1;
  }
  namespace res = pxb::resources;
  const std::filesystem::path dir(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "pxres: cannot create %s: %s\n", dir.string().c_str(),
                 ec.message().c_str());
    return 1;
  }
  const std::string about = std::string(res::AboutText()) + "\n";
  const bool ok = WriteFile(dir / "pipl32.bin", res::BuildPropertyList(res::Architecture::kX86)) &&
                  WriteFile(dir / "pipl64.bin", res::BuildPropertyList(res::Architecture::kX64)) &&
                  WriteFile(dir / "aete.bin", res::BuildTerminology()) &&
                  WriteFile(dir / "about.txt", about) &&
                  WriteFile(dir / "dialogs.rc", DialogScript());
  return ok ? 0 : 1;
}
