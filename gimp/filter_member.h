// Which member filters the image in a run without the dialog: a filter file,
// member k of a session, or the member the session names as picked.
#pragma once

#include <cstdint>
#include <string>

#include "engine/member.h"

namespace pxb::gimp {

// The member index that stands for "the session's picked member".
inline constexpr int32_t kChosenMember = -1;

// What a run names: path is a filter file (".gdo", member must be
// kChosenMember) or a session file; member is 0 to 8 or kChosenMember.
struct FilterTarget {
  std::string path;
  int32_t member = kChosenMember;
};

// True when path names a filter file rather than a session.
bool IsFilterFile(const std::string& path);

// Reads the member target names into *member, treeless. False with a message
// (naming the file) when the file cannot be read or is refused, when a
// filter file is given a member index, when the index lies outside 0..8, or
// when the session has no picked member; *member is untouched then.
bool LoadFilterTarget(const FilterTarget& target, Member* member, std::string* error);

}  // namespace pxb::gimp
