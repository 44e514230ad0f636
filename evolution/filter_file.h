// The filter record: one member as its root type, seed and weight snapshot.
// The same record is the unit of the session file.
#pragma once

#include <string>

#include "engine/member.h"
#include "evolution/byte_io.h"

namespace pxb {

inline constexpr uint16_t kFileVersion = 1000;

void WriteWeightList(ByteWriter* out, WeightList list);
// Reads one list at the reader's position into *list (empty before), whose
// entries must all produce `produces` (0: any function). On failure, false
// with a message naming `where`; entries read so far stay in *list for the
// caller to free.
bool ReadWeightList(ByteReader* in, TypeId produces, const std::string& where, WeightList* list,
                    std::string* error);
void WriteMember(ByteWriter* out, const Member& member);

// Reads one filter record at the reader's position into *member, which comes
// back without a tree unless regrow is set (then it is grown into vp). A
// record that is truncated or names types or functions the registry does not
// have, or not in the places they could fill, is refused: false, a message,
// and *member untouched.
bool ReadMember(ByteReader* in, ViewParams* vp, bool regrow, Member* member, std::string* error);

}  // namespace pxb
