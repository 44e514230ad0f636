// The "PIPL" resource, byte for byte. Expected bytes are written out by
// hand from the resource rules (little-endian numbers, four-character codes
// stored reversed, data zero-padded to a multiple of 4 with the padding
// counted in the length), not computed with the code under test.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "resources/plugin_resources.h"

namespace pxb::resources {
// Readable parameter values in test names.
inline void PrintTo(Architecture a, std::ostream* os) {
  *os << (a == Architecture::kX86 ? "x86" : "x64");
}
}  // namespace pxb::resources

namespace {

namespace res = pxb::resources;
using Bytes = std::vector<std::uint8_t>;

Bytes FromString(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b.at(at)) | static_cast<std::uint32_t>(b.at(at + 1)) << 8 |
         static_cast<std::uint32_t>(b.at(at + 2)) << 16 |
         static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

struct Property {
  std::string vendor;  // the four stored bytes
  std::string key;     // the four stored bytes
  std::uint32_t id;
  std::uint32_t length;
  Bytes data;
};

// Walks the properties the way a host does: the header is 10 bytes, each
// property 16 bytes of header followed by `length` bytes of data.
std::vector<Property> Walk(const Bytes& pipl) {
  std::vector<Property> props;
  const std::uint32_t count = Le32(pipl, 6);
  std::size_t at = 10;
  for (std::uint32_t i = 0; i < count; ++i) {
    Property p;
    p.vendor.assign(pipl.begin() + at, pipl.begin() + at + 4);
    p.key.assign(pipl.begin() + at + 4, pipl.begin() + at + 8);
    p.id = Le32(pipl, at + 8);
    p.length = Le32(pipl, at + 12);
    EXPECT_LE(at + 16 + p.length, pipl.size()) << "property " << i << " runs past the end";
    if (at + 16 + p.length > pipl.size()) break;
    p.data.assign(pipl.begin() + at + 16, pipl.begin() + at + 16 + p.length);
    props.push_back(p);
    at += 16 + p.length;
  }
  EXPECT_EQ(at, pipl.size()) << "bytes left after the last property";
  return props;
}

const Property* Find(const std::vector<Property>& props, const std::string& stored_key) {
  for (const Property& p : props) {
    if (p.key == stored_key) return &p;
  }
  return nullptr;
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

const Bytes kEntryData = FromString(std::string("ENTRYPOINT\0\0", 12));

class PropertyListTest : public ::testing::TestWithParam<res::Architecture> {
 protected:
  bool Is64() const { return GetParam() == res::Architecture::kX64; }
  Bytes pipl_ = res::BuildPropertyList(GetParam());
};

TEST_P(PropertyListTest, StartsWithHandWrittenPrefix) {
  const Bytes expected = ExpectedPrefix(Is64() ? 10 : 9);
  ASSERT_GE(pipl_.size(), expected.size());
  EXPECT_EQ(Bytes(pipl_.begin(), pipl_.begin() + expected.size()), expected);
}

TEST_P(PropertyListTest, PropertiesInOrderWithVendorIdAndPaddedLength) {
  const std::vector<Property> props = Walk(pipl_);
  std::vector<std::string> expected_keys = {"dnik", "eman", "gtac", "srev", "68xw",
                                            "mtsh", "edom", "lbne", "icif"};
  if (Is64()) expected_keys.insert(expected_keys.begin() + 5, "4668");
  ASSERT_EQ(props.size(), expected_keys.size());
  for (std::size_t i = 0; i < props.size(); ++i) {
    SCOPED_TRACE(expected_keys[i]);
    EXPECT_EQ(props[i].key, expected_keys[i]);
    EXPECT_EQ(props[i].vendor, "MIB8");
    EXPECT_EQ(props[i].id, 0u);
    EXPECT_EQ(props[i].length % 4, 0u);
  }
}

TEST_P(PropertyListTest, EntryPointProperties) {
  const std::vector<Property> props = Walk(pipl_);
  const Property* x86 = Find(props, "68xw");
  ASSERT_NE(x86, nullptr);
  EXPECT_EQ(x86->data, kEntryData);
  const Property* x64 = Find(props, "4668");
  if (Is64()) {
    ASSERT_NE(x64, nullptr);
    EXPECT_EQ(x64->length, 12u);
    EXPECT_EQ(x64->data, kEntryData);
  } else {
    EXPECT_EQ(x64, nullptr) << "a 32-bit DLL carries no 64-bit entry";
  }
}

TEST_P(PropertyListTest, TerminologyPropertyIs48Bytes) {
  const std::vector<Property> props = Walk(pipl_);
  const Property* hstm = Find(props, "mtsh");
  ASSERT_NE(hstm, nullptr);
  ASSERT_EQ(hstm->length, 48u);
  Bytes expected = {
      0x00, 0x00, 0x00, 0x00,  // version 0
      'P',  'b',  'x',  '1',   // class: the plug-in's code
      'P',  'b',  'x',  '1',   // event: the plug-in's code
      0x80, 0x3E,              // terminology id 16000
  };
  const std::string scope = "Pixbreed Team Pixbreed";
  expected.insert(expected.end(), scope.begin(), scope.end());
  expected.resize(48, 0x00);  // NUL terminator and zero fill
  EXPECT_EQ(hstm->data, expected);
}

TEST_P(PropertyListTest, ModeEnableAndCaseData) {
  const std::vector<Property> props = Walk(pipl_);

  const Property* mode = Find(props, "edom");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->data, (Bytes{0x5F, 0xC0, 0x00, 0x00}));

  const Property* enbl = Find(props, "lbne");
  ASSERT_NE(enbl, nullptr);
  // 110 characters, a NUL, one byte of padding.
  const std::string text =
      "in (PSHOP_ImageMode, GrayScaleMode, RGBMode,CMYKMode, HSLMode, HSBMode, "
      "MultichannelMode,DuotoneMode, LabMode)";
  ASSERT_EQ(text.size(), 110u);
  EXPECT_EQ(enbl->length, 112u);
  EXPECT_EQ(enbl->data, FromString(text + std::string(2, '\0')));

  const Property* fici = Find(props, "icif");
  ASSERT_NE(fici, nullptr);
  EXPECT_EQ(fici->length, 28u);
  const Bytes expected_cases = {
      4, 4, 7,  0,  // flat image, no selection
      4, 4, 15, 0,  // flat image with selection
      4, 4, 15, 0,  // floating selection
      4, 4, 7,  0,  // editable transparency, no selection
      4, 4, 15, 0,  // editable transparency with selection
      4, 4, 7,  0,  // protected transparency, no selection
      4, 4, 15, 0,  // protected transparency with selection
  };
  EXPECT_EQ(fici->data, expected_cases);
}

TEST_P(PropertyListTest, TotalSize) {
  // 10 header bytes; 16 header bytes per property; data 4 + 12 + 8 + 4 + 12
  // (+ 12 for the 64-bit entry) + 48 + 4 + 112 + 28.
  EXPECT_EQ(pipl_.size(), Is64() ? 10u + 10 * 16 + 244 : 10u + 9 * 16 + 232);
}

std::string ArchitectureName(const ::testing::TestParamInfo<res::Architecture>& param) {
  return param.param == res::Architecture::kX86 ? "x86" : "x64";
}

INSTANTIATE_TEST_SUITE_P(BothArchitectures, PropertyListTest,
                         ::testing::Values(res::Architecture::kX86, res::Architecture::kX64),
                         ArchitectureName);

TEST(PropertyListVariants, SixtyFourBitAddsOnlyItsEntryProperty) {
  const Bytes p32 = res::BuildPropertyList(res::Architecture::kX86);
  Bytes p64 = res::BuildPropertyList(res::Architecture::kX64);
  // Remove the '8664' property (28 bytes after the 'wx86' one) and restore
  // the count: what is left must be the 32-bit resource.
  const std::size_t at = ExpectedPrefix(0).size();
  ASSERT_GT(p64.size(), at + 28);
  const Bytes removed(p64.begin() + at, p64.begin() + at + 28);
  Bytes expected_removed = {'M', 'I', 'B', '8', '4', '6', '6', '8', 0, 0, 0, 0, 12, 0, 0, 0};
  expected_removed.insert(expected_removed.end(), kEntryData.begin(), kEntryData.end());
  EXPECT_EQ(removed, expected_removed);
  p64.erase(p64.begin() + at, p64.begin() + at + 28);
  p64[6] = 9;
  EXPECT_EQ(p64, p32);
}

}  // namespace
