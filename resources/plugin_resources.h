// The plug-in's resources as data: the property list hosts read to find and
// describe the filter, the scripting terminology, and the about text.
//
// The Windows build does not write these bytes by hand in a .rc file; the
// `pxres` tool writes them to binary files that the .rc includes, so the
// same code that the tests check produces what goes into the DLL.

#ifndef PXB_RESOURCES_PLUGIN_RESOURCES_H
#define PXB_RESOURCES_PLUGIN_RESOURCES_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace pxb::resources {

// Id of the property list, the terminology resource and the about string.
inline constexpr std::int16_t kResourceId = 16000;
// Language of every resource: English (United States).
inline constexpr std::uint16_t kLanguageId = 1033;

// Resource type names as the resource compiler stores them.
inline constexpr std::string_view kPropertyListType = "PIPL";
inline constexpr std::string_view kTerminologyType = "AETE";

// The plug-in's four-character code, as the bytes that appear in the
// resources (class and event of the terminology, suite code).
inline constexpr std::string_view kPluginCodeBytes = "Pbx1";

inline constexpr std::string_view kMakerName = "Pixbreed Team";
inline constexpr std::string_view kEntryPointName = "ENTRYPOINT";
inline constexpr std::string_view kMenuName = "Pixbreed...";
inline constexpr std::string_view kCategoryName = "Brood";

enum class Architecture { kX86, kX64 };

// The "PIPL" resource for a DLL of the given architecture. Both carry the
// 32-bit entry property; the 64-bit one also carries the 64-bit entry
// property, which is the one 64-bit hosts look up.
std::vector<std::uint8_t> BuildPropertyList(Architecture architecture);

// The "AETE" resource.
std::vector<std::uint8_t> BuildTerminology();

// String 16000 of the string table, shown by the about box.
std::string_view AboutText();

}  // namespace pxb::resources

#endif  // PXB_RESOURCES_PLUGIN_RESOURCES_H
