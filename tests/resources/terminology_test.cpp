// The "AETE" resource, field by field, against a hand-written listing.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "resources/plugin_resources.h"

namespace {

namespace res = pxb::resources;
using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& b, std::initializer_list<std::uint8_t> bytes) {
  b.insert(b.end(), bytes.begin(), bytes.end());
}

void AppendText(Bytes& b, const std::string& text) {
  b.insert(b.end(), text.begin(), text.end());
}

void AppendPascal(Bytes& b, const std::string& text) {
  b.push_back(static_cast<std::uint8_t>(text.size()));
  AppendText(b, text);
}

Bytes ExpectedTerminology() {
  Bytes b;
  Append(b, {0x01, 0x00});  // resource header word 1
  Append(b, {0x01, 0x00});  // version 1.0 (major byte, minor byte)
  Append(b, {0x00, 0x00});  // language
  Append(b, {0x00, 0x00});  // script
  Append(b, {0x01, 0x00});  // one suite

  AppendPascal(b, "Pixbreed Team");
  AppendPascal(b, "Adobe example plug-ins");
  AppendText(b, "Pbx1");    // suite code
  Append(b, {0x01, 0x00});  // level
  Append(b, {0x01, 0x00});  // version
  Append(b, {0x01, 0x00});  // one event

  AppendPascal(b, "Pixbreed");
  AppendPascal(b, "evolutionary filter generating plug-in");
  AppendText(b, "Pbx1");    // event class
  AppendText(b, "Pbx1");    // event id
  AppendText(b, "llun");    // reply type 'null'
  Append(b, {0x00});        // empty reply description
  Append(b, {0x00, 0x00});  // reply flags
  AppendText(b, "RmI#");    // direct parameter type '#ImR'
  Append(b, {0x00});        // empty description
  Append(b, {0x00, 0xB0});  // flags 0xB000
  Append(b, {0x00, 0x00});  // no other parameters

  Append(b, {0x00, 0x00});  // classes
  Append(b, {0x00, 0x00});  // comparison operators
  Append(b, {0x00, 0x00});  // enumerations
  return b;
}

TEST(Terminology, MatchesHandWrittenListing) {
  EXPECT_EQ(res::BuildTerminology(), ExpectedTerminology());
}

}  // namespace
