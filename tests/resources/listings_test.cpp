// The "PIPL" and "AETE" resources, byte for byte, against listings written
// out by hand from the resource rules (little-endian numbers, four-character codes
// stored reversed, data zero-padded to a multiple of 4 with the padding
// counted in the length), not computed with the code under test.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "resources/plugin_resources.h"

namespace {

namespace res = pxb::resources;
using Bytes = std::vector<std::uint8_t>;

// A listing: pairs of hex digits, and text between single quotes taken as
// its characters; spaces only separate.
Bytes Listing(const std::string& text) {
  Bytes b;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\'') {
      const std::size_t end = text.find('\'', i + 1);
      b.insert(b.end(), text.begin() + static_cast<std::ptrdiff_t>(i) + 1,
               text.begin() + static_cast<std::ptrdiff_t>(end));
      i = end;
    } else if (text[i] != ' ') {
      b.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i++, 2), nullptr, 16)));
    }
  }
  return b;
}

// Every property is '8BIM', its key, id 0 and its padded length.
Bytes PropertyList(bool x64) {
  return Listing(std::string("0100 00000000") + (x64 ? " 0a000000" : " 09000000") +
                 " 'MIB8dnik' 00000000 04000000 'MFB8'"               // kind: filter
                 " 'MIB8eman' 00000000 0c000000 0b 'Pixbreed...'"     // name
                 " 'MIB8gtac' 00000000 08000000 05 'Brood' 0000"      // category
                 " 'MIB8srev' 00000000 04000000 00000400"             // version 4.0
                 " 'MIB868xw' 00000000 0c000000 'ENTRYPOINT' 0000" +  // 32-bit entry
                 (x64 ? " 'MIB84668' 00000000 0c000000 'ENTRYPOINT' 0000" : "") +
                 " 'MIB8mtsh' 00000000 30000000 00000000 'Pbx1Pbx1' 803e"  // terminology
                 " 'Pixbreed Team Pixbreed' 000000000000000000000000"
                 " 'MIB8edom' 00000000 04000000 5fc00000"  // modes
                 " 'MIB8lbne' 00000000 70000000"           // enable: 110 characters, NUL, pad
                 " 'in (PSHOP_ImageMode, GrayScaleMode, RGBMode,CMYKMode, HSLMode, HSBMode, "
                 "MultichannelMode,DuotoneMode, LabMode)' 0000"
                 // filter case info: flat, flat with selection, floating, and editable and
                 // protected transparency without and with a selection
                 " 'MIB8icif' 00000000 1c000000 04040700 04040f00 04040f00 04040700 04040f00"
                 " 04040700 04040f00");
}

TEST(PropertyList, MatchesTheHandWrittenListingForBothArchitectures) {
  EXPECT_EQ(res::BuildPropertyList(res::Architecture::kX86), PropertyList(false));
  EXPECT_EQ(res::BuildPropertyList(res::Architecture::kX64), PropertyList(true));
}

TEST(Terminology, MatchesHandWrittenListing) {
  // Header, version 1.0, language, script, one suite; suite and event name
  // and description as counted strings; reply 'null' and the direct
  // parameter '#ImR' with flags 0xB000; no classes, comparisons or
  // enumerations.
  const Bytes expected = Listing(
      "0100 0100 0000 0000 0100"
      " 0d 'Pixbreed Team' 16 'Adobe example plug-ins' 'Pbx1' 0100 0100 0100"
      " 08 'Pixbreed' 26 'evolutionary filter generating plug-in' 'Pbx1' 'Pbx1'"
      " 'llun' 00 0000 'RmI#' 00 00b0 0000"
      " 0000 0000 0000");
  EXPECT_EQ(res::BuildTerminology(), expected);
}

}  // namespace
