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

void Append(Bytes* b, const Bytes& more) {
  b->insert(b->end(), more.begin(), more.end());
}

void AppendText(Bytes* b, const std::string& text) {
  b->insert(b->end(), text.begin(), text.end());
}

void AppendPascal(Bytes* b, const std::string& text) {
  b->push_back(static_cast<std::uint8_t>(text.size()));
  AppendText(b, text);
}

// A property header of vendor '8BIM', id 0: the stored key and the length.
Bytes Header(const std::string& storedKey, std::uint8_t length) {
  Bytes b;
  AppendText(&b, "MIB8" + storedKey);
  Append(&b, {0x00, 0x00, 0x00, 0x00, length, 0x00, 0x00, 0x00});
  return b;
}

// Header and the first five properties, identical in both variants apart
// from the property count.
Bytes ExpectedPrefix(std::uint8_t count) {
  return {
      0x01,  0x00,                                      // resource header word 1
      0x00,  0x00, 0x00, 0x00,                          // version 0
      count, 0x00, 0x00, 0x00,                          // property count
      'M',   'I',  'B',  '8',  'd',  'n',  'i',  'k',   // '8BIM' 'kind'
      0x00,  0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,  // id 0, length 4
      'M',   'F',  'B',  '8',                           // '8BFM'
      'M',   'I',  'B',  '8',  'e',  'm',  'a',  'n',   // '8BIM' 'name'
      0x00,  0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00,  // id 0, length 12
      11,    'P',  'i',  'x',  'b',  'r',  'e',  'e',  'd', '.', '.',  '.',
      'M',   'I',  'B',  '8',  'g',  't',  'a',  'c',   // '8BIM' 'catg'
      0x00,  0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,  // id 0, length 8 (6 + 2 padding)
      5,     'B',  'r',  'o',  'o',  'd',  0x00, 0x00, 'M', 'I', 'B',  '8',
      's',   'r',  'e',  'v',                           // '8BIM' 'vers'
      0x00,  0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,  // id 0, length 4
      0x00,  0x00, 0x04, 0x00,                          // 4.0
      'M',   'I',  'B',  '8',  '6',  '8',  'x',  'w',   // '8BIM' 'wx86'
      0x00,  0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00,  // id 0, length 12 (11 + 1 padding)
      'E',   'N',  'T',  'R',  'Y',  'P',  'O',  'I',  'N', 'T', 0x00, 0x00,
  };
}

Bytes Expected(bool x64) {
  Bytes b = ExpectedPrefix(x64 ? 10 : 9);
  if (x64) {
    Append(&b, Header("4668", 12));  // '8664': the 64-bit entry point (11 + 1 padding)
    AppendText(&b, std::string("ENTRYPOINT\0\0", 12));
  }
  Append(&b, Header("mtsh", 48));  // 'hstm': terminology
  Append(&b, {
                 0x00, 0x00, 0x00, 0x00,  // version 0
                 'P', 'b', 'x', '1',      // class: the plug-in's code
                 'P', 'b', 'x', '1',      // event: the plug-in's code
                 0x80, 0x3E,              // terminology id 16000
             });
  AppendText(&b, "Pixbreed Team Pixbreed");
  b.resize(b.size() + 12, 0x00);  // NUL terminator and zero fill to 48
  Append(&b, Header("edom", 4));  // 'mode'
  Append(&b, {0x5F, 0xC0, 0x00, 0x00});
  Append(&b, Header("lbne", 112));  // 'enbl': 110 characters, a NUL, one byte of padding
  AppendText(&b,
             "in (PSHOP_ImageMode, GrayScaleMode, RGBMode,CMYKMode, HSLMode, HSBMode, "
             "MultichannelMode,DuotoneMode, LabMode)");
  Append(&b, {0x00, 0x00});
  Append(&b, Header("icif", 28));  // 'fici': filter case info
  Append(&b, {
                 4, 4, 7,  0,  // flat image, no selection
                 4, 4, 15, 0,  // flat image with selection
                 4, 4, 15, 0,  // floating selection
                 4, 4, 7,  0,  // editable transparency, no selection
                 4, 4, 15, 0,  // editable transparency with selection
                 4, 4, 7,  0,  // protected transparency, no selection
                 4, 4, 15, 0,  // protected transparency with selection
             });
  return b;
}

TEST(PropertyList, MatchesTheHandWrittenListingForBothArchitectures) {
  const Bytes x86 = Expected(false);
  EXPECT_EQ(x86.size(), 10u + 9 * 16 + 232);
  EXPECT_EQ(res::BuildPropertyList(res::Architecture::kX86), x86);
  EXPECT_EQ(res::BuildPropertyList(res::Architecture::kX64), Expected(true));
}

Bytes ExpectedTerminology() {
  Bytes b;
  Append(&b, {0x01, 0x00});  // resource header word 1
  Append(&b, {0x01, 0x00});  // version 1.0 (major byte, minor byte)
  Append(&b, {0x00, 0x00});  // language
  Append(&b, {0x00, 0x00});  // script
  Append(&b, {0x01, 0x00});  // one suite

  AppendPascal(&b, "Pixbreed Team");
  AppendPascal(&b, "Adobe example plug-ins");
  AppendText(&b, "Pbx1");    // suite code
  Append(&b, {0x01, 0x00});  // level
  Append(&b, {0x01, 0x00});  // version
  Append(&b, {0x01, 0x00});  // one event

  AppendPascal(&b, "Pixbreed");
  AppendPascal(&b, "evolutionary filter generating plug-in");
  AppendText(&b, "Pbx1");    // event class
  AppendText(&b, "Pbx1");    // event id
  AppendText(&b, "llun");    // reply type 'null'
  Append(&b, {0x00});        // empty reply description
  Append(&b, {0x00, 0x00});  // reply flags
  AppendText(&b, "RmI#");    // direct parameter type '#ImR'
  Append(&b, {0x00});        // empty description
  Append(&b, {0x00, 0xB0});  // flags 0xB000
  Append(&b, {0x00, 0x00});  // no other parameters

  Append(&b, {0x00, 0x00});  // classes
  Append(&b, {0x00, 0x00});  // comparison operators
  Append(&b, {0x00, 0x00});  // enumerations
  return b;
}

TEST(Terminology, MatchesHandWrittenListing) {
  EXPECT_EQ(res::BuildTerminology(), ExpectedTerminology());
}

}  // namespace
