// The filter record: one member as its root type, seed and weight snapshot.
// The same record is the unit of the session file.
#pragma once

#include <string>

#include "engine/member.h"
#include "evolution/byte_io.h"

namespace pxb {

inline constexpr uint16_t kFileVersion = 1000;

void WriteWeightList(ByteWriter* out, WeightList list);
void WriteMember(ByteWriter* out, const Member& member);

// Reads one filter record at the reader's position into *member, which comes
// back without a tree unless regrow is set (then it is grown into vp). A
// record that is truncated or names types or functions the registry does not
// have, or not in the places they could fill, is refused: false, a message,
// and *member untouched.
bool ReadMember(ByteReader* in, ViewParams* vp, bool regrow, Member* member, std::string* error);

}  // namespace pxb
