#include "resources/plugin_resources.h"

#include <cstddef>
#include <string_view>

#include "interface/pluginapi.h"

#ifndef PXB_ABOUT_TEXT
#error "PXB_ABOUT_TEXT must be defined by the build (resources/CMakeLists.txt)"
#endif

namespace pxb::resources {
namespace {

namespace api = pxb::api;

// Appends little-endian numbers and strings to a byte vector.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v & 0xFF));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v & 0xFFFF));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }

  // A four-character code is a 32-bit number, so it is stored with its
  // characters in reverse order.
  void Code(api::OSType code) { U32(code); }

  void Bytes(std::string_view bytes) {
    for (char c : bytes)
      U8(static_cast<std::uint8_t>(c));
  }
  // Length byte followed by the characters, no terminator, no alignment.
  void Pascal(std::string_view text) {
    U8(static_cast<std::uint8_t>(text.size()));
    Bytes(text);
  }
  void CString(std::string_view text) {
    Bytes(text);
    U8(0);
  }
  void ZeroFillTo(std::size_t size) {
    while (out_.size() < size)
      U8(0);
  }
  void PatchU32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      out_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }

  std::size_t Size() const { return out_.size(); }

 private:
  std::vector<std::uint8_t>& out_;
};

static_assert(PXB_ABOUT_TEXT[0] != '\0', "the about text must not be empty");

constexpr std::string_view kEnablingExpression =
    "in (PSHOP_ImageMode, GrayScaleMode, RGBMode,CMYKMode, HSLMode, HSBMode, "
    "MultichannelMode,DuotoneMode, LabMode)";

constexpr std::string_view kSuiteDescription = "Adobe example plug-ins";
constexpr std::string_view kEventName = "Pixbreed";
constexpr std::string_view kEventDescription = "evolutionary filter generating plug-in";

// Property data of 'hstm' is always this long, zero-filled.
constexpr std::size_t kTerminologyPropertySize = 48;

// Supported image modes, one bit per mode counted from the most significant
// bit of the first byte: grayscale, RGB, CMYK, HSL, HSB, multichannel in the
// first byte, duotone and Lab in the second.
constexpr std::uint8_t kModeBits[2] = {0x5F, 0xC0};

// Writes one property list entry: the 16-byte header, then whatever `data`
// writes, zero-padded to a multiple of 4. The stored length counts the
// padding, so a host that steps by the raw length and one that rounds it up
// both land on the next property.
template <typename WriteData>
void Property(ByteWriter& w, api::PIType key, WriteData data) {
  w.Code(api::kPiPLVendor);
  w.Code(key);
  w.I32(0);  // id
  const std::size_t length_at = w.Size();
  w.U32(0);  // length, patched below
  const std::size_t start = w.Size();
  data(w);
  w.ZeroFillTo(start + (w.Size() - start + 3) / 4 * 4);
  w.PatchU32(length_at, static_cast<std::uint32_t>(w.Size() - start));
}

// Every case takes a white matte on input and output. The flags say: do not
// copy the source to the destination first, works with blank data, filters
// the layer mask (7); cases with a selection, the floating selection among
// them, also write outside the selection (15).
api::FilterCaseInfo CaseInfo(bool with_selection) {
  constexpr std::uint8_t base = api::filterFlagDontCopyToDestination |
                                api::filterFlagWorksWithBlankData | api::filterFlagFiltersLayerMask;
  return {api::filterDataHandlingWhiteMat, api::filterDataHandlingWhiteMat,
          static_cast<std::uint8_t>(with_selection ? base | api::filterFlagWritesOutsideSelection
                                                   : base),
          0};
}

}  // namespace

std::vector<std::uint8_t> BuildPropertyList(Architecture architecture) {
  const bool x64 = architecture == Architecture::kX64;
  std::vector<std::uint8_t> bytes;
  ByteWriter w(bytes);

  w.I16(1);             // resource header word
  w.I32(0);             // property list version
  w.I32(x64 ? 10 : 9);  // property count

  Property(w, api::pipl::kKind, [](ByteWriter& d) { d.Code(api::kFilterKind); });
  Property(w, api::pipl::kName, [](ByteWriter& d) { d.Pascal(kMenuName); });
  Property(w, api::pipl::kCategory, [](ByteWriter& d) { d.Pascal(kCategoryName); });
  Property(w, api::pipl::kVersion, [](ByteWriter& d) { d.I32(api::pipl::kLatestFilterVersion); });
  Property(w, api::pipl::kCodeWin32X86, [](ByteWriter& d) { d.CString(kEntryPointName); });
  if (x64) {
    Property(w, api::pipl::kCodeWin64X86, [](ByteWriter& d) { d.CString(kEntryPointName); });
  }
  Property(w, api::pipl::kHasTerminology, [](ByteWriter& d) {
    const std::size_t start = d.Size();
    d.I32(0);                   // version
    d.Bytes(kPluginCodeBytes);  // class
    d.Bytes(kPluginCodeBytes);  // event
    d.I16(kResourceId);         // terminology resource id
    d.Bytes(kMakerName);        // scope: maker, a blank, "Pixbreed"
    d.Bytes(" Pixbreed");
    d.U8(0);
    d.ZeroFillTo(start + kTerminologyPropertySize);
  });
  Property(w, api::pipl::kSupportedModes, [](ByteWriter& d) {
    d.U8(kModeBits[0]);
    d.U8(kModeBits[1]);
  });
  Property(w, api::pipl::kEnableInfo, [](ByteWriter& d) { d.CString(kEnablingExpression); });
  Property(w, api::pipl::kFilterCaseInfo, [](ByteWriter& d) {
    const bool with_selection[api::kFilterCaseCount] = {
        false,  // flat image, no selection
        true,   // flat image with selection
        true,   // floating selection
        false,  // editable transparency, no selection
        true,   // editable transparency with selection
        false,  // protected transparency, no selection
        true,   // protected transparency with selection
    };
    for (bool selection : with_selection) {
      const api::FilterCaseInfo info = CaseInfo(selection);
      d.U8(info.inputHandling);
      d.U8(info.outputHandling);
      d.U8(info.flags1);
      d.U8(info.flags2);
    }
  });
  return bytes;
}

std::vector<std::uint8_t> BuildTerminology() {
  std::vector<std::uint8_t> bytes;
  ByteWriter w(bytes);

  w.I16(1);  // resource header word
  w.U8(1);   // major version
  w.U8(0);   // minor version
  w.I16(0);  // language
  w.I16(0);  // script
  w.I16(1);  // suites

  w.Pascal(kMakerName);
  w.Pascal(kSuiteDescription);
  w.Bytes(kPluginCodeBytes);  // suite code
  w.I16(1);                   // level
  w.I16(1);                   // version
  w.I16(1);                   // events

  w.Pascal(kEventName);
  w.Pascal(kEventDescription);
  w.Bytes(kPluginCodeBytes);  // event class
  w.Bytes(kPluginCodeBytes);  // event id
  w.Code(api::FourCC("null"));
  w.Pascal("");  // reply description
  w.U16(0);      // reply flags
  w.Code(api::FourCC("#ImR"));
  w.Pascal("");   // direct parameter description
  w.U16(0xB000);  // optional, single item, enumerated, changes state
  w.I16(0);       // other parameters

  w.I16(0);  // classes
  w.I16(0);  // comparison operators
  w.I16(0);  // enumerations
  return bytes;
}

std::string_view AboutText() {
  return PXB_ABOUT_TEXT;
}

}  // namespace pxb::resources
