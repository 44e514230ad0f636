// The interactive run inside GIMP: the breeding dialog over a reduced copy
// of the drawable, the same session run as the Windows plug-in (start-up
// session chooser, session written back on close), then the picked member
// filters the drawable.
#pragma once

#include <string>

namespace pxb::gimp {

enum class BreedingOutcome {
  kPicked,     // a member was picked; the session file names it
  kCancelled,  // the user closed the dialogs without a pick
  kFailed,     // see the message
};

// sessionPath: in, the session the last run used (empty: none, the
// start-up chooser asks); out, the session in use when the dialogs closed.
BreedingOutcome RunBreedingDialog(int drawable, std::string* sessionPath, std::string* error);

}  // namespace pxb::gimp
