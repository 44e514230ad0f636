// `pxres` writes the resources to files, and the resource compiler turns the
// configured script into resources whose bytes are exactly those the code
// builds: the 32-bit target gets the 32-bit property list, the 64-bit target
// the 64-bit one, everything under id 16000 in US English.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/plugin_resources.h"
#include "tests/common/temp_dir.h"

namespace {

namespace fs = std::filesystem;
namespace res = pxb::resources;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Quote(const fs::path& p) {
  return "\"" + p.string() + "\"";
}

int RunPxres(const fs::path& dir) {
  return std::system((Quote(PXB_PXRES) + " " + Quote(dir)).c_str());
}

TEST(ResourceFiles, PxresWritesEveryResourceAndNeedsADirectory) {
  const pxb::testing::TempDir dir{"pxb_resources"};
  const fs::path out = dir / "out";
  ASSERT_EQ(RunPxres(out), 0);
  EXPECT_EQ(ReadFile(out / "pipl32.bin"), res::BuildPropertyList(res::Architecture::kX86));
  EXPECT_EQ(ReadFile(out / "pipl64.bin"), res::BuildPropertyList(res::Architecture::kX64));
  EXPECT_EQ(ReadFile(out / "aete.bin"), res::BuildTerminology());
  const Bytes about = ReadFile(out / "about.txt");
  EXPECT_EQ(std::string(about.begin(), about.end()), std::string(res::AboutText()) + "\n");
  EXPECT_NE(std::system((Quote(PXB_PXRES) + " > /dev/null 2>&1").c_str()), 0);
}

#if defined(PXB_WINDRES_I686) || defined(PXB_WINDRES_X64)

// One resource of a compiled .res file.
struct Resource {
  std::u16string type_name;  // empty for numeric types
  std::uint16_t type_id = 0;
  std::uint16_t name_id = 0;
  std::uint16_t language = 0;
  Bytes data;
};

std::uint16_t Le16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return Le16(b, at) | static_cast<std::uint32_t>(Le16(b, at + 2)) << 16;
}

// Reads a type or name field: 0xFFFF and a number, or a NUL-terminated
// UTF-16 string.
std::size_t ReadNameOrId(const Bytes& b, std::size_t at, std::u16string& name, std::uint16_t& id) {
  if (Le16(b, at) == 0xFFFF) {
    id = Le16(b, at + 2);
    return at + 4;
  }
  while (std::uint16_t c = Le16(b, at)) {
    name.push_back(static_cast<char16_t>(c));
    at += 2;
  }
  return at + 2;
}

std::vector<Resource> ParseRes(const Bytes& b) {
  std::vector<Resource> out;
  std::size_t at = 0;
  while (at + 32 <= b.size()) {
    const std::uint32_t data_size = Le32(b, at);
    const std::uint32_t header_size = Le32(b, at + 4);
    Resource r;
    std::u16string name;
    std::size_t p = ReadNameOrId(b, at + 8, r.type_name, r.type_id);
    p = ReadNameOrId(b, p, name, r.name_id);
    p = (p + 3) & ~std::size_t{3};
    r.language = Le16(b, p + 6);  // after DataVersion and MemoryFlags
    r.data.assign(b.begin() + at + header_size, b.begin() + at + header_size + data_size);
    if (data_size != 0) out.push_back(r);
    at = (at + header_size + data_size + 3) & ~std::size_t{3};
  }
  EXPECT_EQ(at, b.size());
  return out;
}

// The data of the one resource of type (a name, or 0 and a number) and id,
// which must be in US English.
Bytes Find(const std::vector<Resource>& all, const std::u16string& type, std::uint16_t typeId,
           std::uint16_t id) {
  Bytes data;
  for (const Resource& r : all) {
    if (r.type_name != type || r.type_id != typeId || r.name_id != id) continue;
    EXPECT_TRUE(data.empty()) << "one resource only";
    EXPECT_EQ(r.language, 1033);
    data = r.data;
  }
  return data;
}

void CheckCompiled(const char* windres, res::Architecture arch) {
  const pxb::testing::TempDir dir{"pxb_windres"};
  ASSERT_EQ(RunPxres(dir.path()), 0);
  const fs::path out = dir / "pxbreed.res";
  const std::string cmd = Quote(windres) + " -I " + Quote(dir.path()) + " -O res " +
                          Quote(PXB_RESOURCE_SCRIPT) + " -o " + Quote(out);
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::vector<Resource> all = ParseRes(ReadFile(out));
  EXPECT_EQ(Find(all, u"PIPL", 0, 16000), res::BuildPropertyList(arch));
  EXPECT_EQ(Find(all, u"AETE", 0, 16000), res::BuildTerminology());
  // Strings live in blocks of 16; string 16000 is the first of block 1001,
  // a count and UTF-16 characters.
  const Bytes strings = Find(all, u"", 6, 16000 / 16 + 1);
  ASSERT_GE(strings.size(), 2u);
  std::string text;
  for (std::uint16_t i = 0; i < Le16(strings, 0); ++i) {
    const std::uint16_t c = Le16(strings, 2 + 2 * i);
    ASSERT_LT(c, 0x80);
    text.push_back(static_cast<char>(c));
  }
  EXPECT_EQ(text, res::AboutText());
  EXPECT_EQ(all.size(), 3u) << "only the property list, terminology and one string block";
}

#ifdef PXB_WINDRES_I686
TEST(CompiledResources, Win32TargetGetsThe32BitPropertyList) {
  CheckCompiled(PXB_WINDRES_I686, res::Architecture::kX86);
}
#endif

#ifdef PXB_WINDRES_X64
TEST(CompiledResources, Win64TargetGetsThe64BitPropertyList) {
  CheckCompiled(PXB_WINDRES_X64, res::Architecture::kX64);
}
#endif

#endif  // PXB_WINDRES_I686 || PXB_WINDRES_X64

}  // namespace
