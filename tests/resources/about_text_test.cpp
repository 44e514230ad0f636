// The about string and the resource script that carries it.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "resources/plugin_resources.h"

namespace {

namespace res = pxb::resources;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(AboutText, OneShortPrintableLineNamingPixbreed) {
  const std::string_view text = res::AboutText();
  ASSERT_FALSE(text.empty());
  EXPECT_LE(text.size(), 255u) << "the about box reads at most 255 characters";
  EXPECT_EQ(text.substr(0, 8), "Pixbreed");
  EXPECT_NE(text.find("filter-breeding plug-in"), std::string_view::npos);
  EXPECT_NE(text.find("Pixbreed Team"), std::string_view::npos);
  for (char c : text) {
    EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "not printable ASCII: " << int(c);
    EXPECT_NE(c, '"') << "would need escaping in the string table";
    EXPECT_NE(c, '\\') << "would need escaping in the string table";
  }
}

TEST(ResourceScript, CarriesAboutTextAndResourceFiles) {
  const std::string rc = ReadText(PXB_RESOURCE_SCRIPT);
  ASSERT_FALSE(rc.empty()) << PXB_RESOURCE_SCRIPT;
  EXPECT_NE(rc.find("16000, \"" + std::string(res::AboutText()) + "\""), std::string::npos);
  EXPECT_NE(rc.find("STRINGTABLE LANGUAGE 9, 1"), std::string::npos);
  EXPECT_NE(rc.find("\nLANGUAGE 9, 1\n"), std::string::npos);
  EXPECT_NE(rc.find("16000 PIPL \"pipl32.bin\""), std::string::npos);
  EXPECT_NE(rc.find("16000 PIPL \"pipl64.bin\""), std::string::npos);
  EXPECT_NE(rc.find("16000 AETE \"aete.bin\""), std::string::npos);
  EXPECT_EQ(rc.find('@'), std::string::npos) << "unsubstituted template variable";
}

}  // namespace
