// Run-time checks of the interface header: values written through the
// records must land at the bytes a host or plug-in built elsewhere reads.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/parameter_block.h"
#include "host/pluginapi.h"

namespace {

namespace api = pxb::api;

// Offset for the running build: first value for 32-bit, second for 64-bit.
constexpr std::size_t Off(std::size_t x86, std::size_t x64) {
  return sizeof(void*) == 4 ? x86 : x64;
}

template <typename Record>
std::vector<unsigned char> BytesOf(const Record& r) {
  std::vector<unsigned char> bytes(sizeof(Record));
  std::memcpy(bytes.data(), &r, sizeof(Record));
  return bytes;
}

std::uint16_t Read16(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t Read32(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uintptr_t ReadPointer(const std::vector<unsigned char>& b, std::size_t at) {
  std::uintptr_t v = 0;
  std::memcpy(&v, &b[at], sizeof v);
  return v;
}

unsigned char AbortNever() {
  return 0;
}
api::OSErr AdvanceNothing() {
  return api::noErr;
}

TEST(PluginApiLayout, FilterRecordSizeMatchesTarget) {
  EXPECT_EQ(sizeof(api::FilterRecord), Off(488, 608));
  EXPECT_EQ(alignof(api::FilterRecord), 4u);
}

TEST(PluginApiLayout, FilterRecordFieldsLandAtPublishedOffsets) {
  api::PlatformData platform{};
  api::HandleProcs handles{};
  api::FilterRecord r{};
  r.serialNumber = 0x11223344;
  r.abortProc = &AbortNever;
  r.planes = 4;
  r.filterRect = {1, 2, 3, 4};
  r.maxSpace = 0x01020304;
  r.inRect = {5, 6, 7, 8};
  r.inHiPlane = 3;
  r.haveMask = 1;
  r.maskRect = {9, 10, 11, 12};
  r.maskRowBytes = 777;
  r.hostSig = api::FourCC("8BIM");
  r.imageMode = api::plugInModeRGBColor;
  r.imageHRes = 72 * api::kFixedOne;
  r.platformData = &platform;
  r.handleProcs = &handles;
  r.advanceState = &AdvanceNothing;
  r.inputPadding = api::paddingErrorOutside;
  r.maskPadding = 255;
  r.samplingSupport = api::samplingIntegral;
  r.inputRate = 2 * api::kFixedOne;
  r.maskRate = 3 * api::kFixedOne;
  r.depth = 8;
  r.maxSpace64 = 0x0102030405060708;
  r.reserved[45] = 'z';

  const std::vector<unsigned char> b = BytesOf(r);
  EXPECT_EQ(Read32(b, 0), 0x11223344u);
  EXPECT_EQ(ReadPointer(b, 4), reinterpret_cast<std::uintptr_t>(&AbortNever));
  EXPECT_EQ(Read16(b, Off(20, 32)), 4u);
  // filterRect: top, left, bottom, right
  EXPECT_EQ(Read16(b, Off(22, 34)), 1u);
  EXPECT_EQ(Read16(b, Off(28, 40)), 4u);
  EXPECT_EQ(Read32(b, Off(44, 56)), 0x01020304u);
  EXPECT_EQ(Read16(b, Off(52, 64)), 5u);
  EXPECT_EQ(Read16(b, Off(62, 74)), 3u);
  EXPECT_EQ(b[Off(93, 113)], 1u);
  EXPECT_EQ(Read16(b, Off(96, 116)), 9u);
  EXPECT_EQ(Read32(b, Off(108, 132)), 777u);
  // A four-character code is stored as a little-endian number.
  EXPECT_EQ(std::memcmp(&b[Off(120, 144)], "MIB8", 4), 0);
  EXPECT_EQ(Read16(b, Off(128, 156)), 3u);
  EXPECT_EQ(Read32(b, Off(132, 160)), 72u << 16);
  EXPECT_EQ(ReadPointer(b, Off(188, 216)), reinterpret_cast<std::uintptr_t>(&platform));
  EXPECT_EQ(ReadPointer(b, Off(208, 256)), reinterpret_cast<std::uintptr_t>(&handles));
  EXPECT_EQ(ReadPointer(b, Off(224, 280)), reinterpret_cast<std::uintptr_t>(&AdvanceNothing));
  EXPECT_EQ(Read16(b, Off(238, 302)), 0xFFFDu);
  EXPECT_EQ(Read16(b, Off(242, 306)), 255u);
  EXPECT_EQ(b[Off(244, 308)], 1u);
  EXPECT_EQ(Read32(b, Off(248, 312)), 2u << 16);
  EXPECT_EQ(Read32(b, Off(252, 316)), 3u << 16);
  EXPECT_EQ(Read32(b, Off(380, 480)), 8u);
  EXPECT_EQ(Read32(b, Off(432, 552)), 0x05060708u);
  EXPECT_EQ(Read32(b, Off(436, 556)), 0x01020304u);
  EXPECT_EQ(b[Off(485, 605)], 'z');
}

TEST(PluginApiLayout, HandleProcsUseNaturalAlignment) {
  api::HandleProcs procs{};
  procs.handleProcsVersion = api::kCurrentHandleProcsVersion;
  procs.numHandleProcs = api::kCurrentHandleProcsCount;
  procs.lockProc = [](api::Handle h, api::Boolean) -> api::Ptr { return *h; };

  const std::vector<unsigned char> b = BytesOf(procs);
  ASSERT_EQ(b.size(), Off(36, 72));
  EXPECT_EQ(Read16(b, 0), 1u);
  EXPECT_EQ(Read16(b, 2), 8u);
  EXPECT_EQ(ReadPointer(b, Off(20, 40)), reinterpret_cast<std::uintptr_t>(procs.lockProc));
}

TEST(PluginApiLayout, AboutRecordAndPlatformData) {
  api::PlatformData platform{};
  platform.hwnd = 0x1234;
  api::AboutRecord about{};
  about.platformData = &platform;
  EXPECT_EQ(sizeof(api::AboutRecord), Off(256, 272));
  EXPECT_EQ(ReadPointer(BytesOf(about), 0), reinterpret_cast<std::uintptr_t>(&platform));
  EXPECT_EQ(sizeof(api::PlatformData), sizeof(void*));
  EXPECT_EQ(Read16(BytesOf(platform), 0), 0x1234u);
}

TEST(PluginApiLayout, PointAndRectOrder) {
  const api::Point16 p{7, 9};  // v, h
  EXPECT_EQ(Read16(BytesOf(p), 0), 7u);
  EXPECT_EQ(Read16(BytesOf(p), 2), 9u);
  const api::Rect16 r{1, 2, 3, 4};
  const auto b = BytesOf(r);
  EXPECT_EQ(Read16(b, 0), 1u);  // top
  EXPECT_EQ(Read16(b, 2), 2u);  // left
  EXPECT_EQ(Read16(b, 4), 3u);  // bottom
  EXPECT_EQ(Read16(b, 6), 4u);  // right
}

TEST(PluginApiLayout, RectEmptiness) {
  EXPECT_TRUE(api::IsEmpty(api::Rect16{0, 0, 0, 0}));
  EXPECT_TRUE(api::IsEmpty(api::Rect16{5, 0, 5, 10}));  // top == bottom
  EXPECT_TRUE(api::IsEmpty(api::Rect16{0, 4, 10, 3}));  // left > right
  EXPECT_FALSE(api::IsEmpty(api::Rect16{0, 0, 1, 1}));
}

TEST(PluginApiLayout, ParameterBlockIs264Bytes) {
  pxb::host::ParameterBlock block{};
  block.haveSession = 1;
  block.showDialog = 0x01000000;
  block.sessionPath[0] = 'C';
  const auto b = BytesOf(block);
  ASSERT_EQ(b.size(), 264u);
  EXPECT_EQ(Read32(b, 0), 1u);
  EXPECT_EQ(Read32(b, 4), 0x01000000u);
  EXPECT_EQ(b[8], 'C');
}

TEST(PluginApiConstants, FourCharacterCodes) {
  EXPECT_EQ(api::FourCC("8BIM"), 0x3842494Du);
  EXPECT_EQ(api::kFilterKind, 0x3842464Du);
  EXPECT_EQ(api::pipl::kCodeWin32X86, 0x77783836u);
  EXPECT_EQ(api::pipl::kCodeWin64X86, 0x38363634u);
  EXPECT_EQ(api::pipl::kHasTerminology, 0x6873746Du);
  EXPECT_EQ(api::pipl::kFilterCaseInfo, 0x66696369u);
  EXPECT_EQ(api::kAnyHost, 0x20202020u);
}

TEST(PluginApiConstants, SelectorsAndResultCodes) {
  EXPECT_EQ(api::filterSelectorAbout, 0);
  EXPECT_EQ(api::filterSelectorParameters, 1);
  EXPECT_EQ(api::filterSelectorPrepare, 2);
  EXPECT_EQ(api::filterSelectorStart, 3);
  EXPECT_EQ(api::filterSelectorContinue, 4);
  EXPECT_EQ(api::filterSelectorFinish, 5);
  EXPECT_EQ(api::noErr, 0);
  EXPECT_EQ(api::readErr, -19);
  EXPECT_EQ(api::paramErr, -50);
  EXPECT_EQ(api::memFullErr, -108);
  EXPECT_EQ(api::userCanceledErr, -128);
  EXPECT_EQ(api::filterBadParameters, -30100);
  EXPECT_EQ(api::filterBadMode, -30101);
  EXPECT_EQ(api::errReportString, -30904);
}

TEST(PluginApiConstants, ImageModesAndCases) {
  EXPECT_EQ(api::plugInModeGrayScale, 1);
  EXPECT_EQ(api::plugInModeRGBColor, 3);
  EXPECT_EQ(api::plugInModeMultichannel, 7);
  EXPECT_EQ(api::plugInModeLabColor, 9);
  EXPECT_EQ(api::plugInModeRGB48, 11);
  EXPECT_EQ(api::plugInModeGray32, 17);
  EXPECT_EQ(api::filterCaseFlatImageNoSelection, 1);
  EXPECT_EQ(api::filterCaseProtectedTransparencyWithSelection, 7);
  EXPECT_EQ(api::filterDataHandlingWhiteMat, 4);
  EXPECT_EQ(api::filterFlagDontCopyToDestination | api::filterFlagWorksWithBlankData |
                api::filterFlagFiltersLayerMask,
            7);
  EXPECT_EQ(api::filterFlagWritesOutsideSelection, 8);
  EXPECT_EQ(api::paddingEdgeReplication, -1);
  EXPECT_EQ(api::paddingNone, -2);
  EXPECT_EQ(api::paddingErrorOutside, -3);
}

}  // namespace
