// The session file: the whole population, the preview count, the picked
// member and the directory last used for filter files.
#pragma once

#include <cstdint>
#include <string>

#include "evolution/byte_io.h"
#include "evolution/population.h"

namespace pxb {

struct SessionHeader {
  uint32_t previewCount = 3;
  int32_t chosenMember = -1;
  char lastDirectory[128] = {};
  uint32_t memberOffsets[kPopulationSize] = {};
};

inline constexpr size_t kSessionHeaderSize = 172;
inline constexpr size_t kFirstMemberOffset = 2 + kSessionHeaderSize;

// The header of the plug-in's current session.
SessionHeader& GlobalSessionHeader();

void SetPreviewCount(SessionHeader* header, uint32_t count);
void SetChosenMember(SessionHeader* header, int32_t k);
// False, leaving the header as it was, for a text of 128 characters or more.
bool SetLastDirectory(SessionHeader* header, const std::string& directory);
std::string LastDirectory(const SessionHeader& header);

// Writes the header and the nine members; the header's offsets become those
// of this write.
void WriteSession(ByteWriter* out, SessionHeader* header, const Population& population);

// Reads a whole session into the population without growing trees. The file
// is checked completely first: on failure the population and the header are
// as they were. Live build contexts are not changed.
bool ReadSession(const std::vector<uint8_t>& bytes, Population* population, SessionHeader* header,
                 std::string* error);

// Reads the header and only the chosen member into its slot. Returns its
// index, -1 when the session has no chosen member, or -2 with a message when
// the file is refused (nothing changed then).
int ReadChosenMember(const std::vector<uint8_t>& bytes, Population* population,
                     SessionHeader* header, std::string* error);

}  // namespace pxb
