// The two ways start goes on once the reduced image has arrived: with the
// breeding dialog, or repeating the last filter without one.
#pragma once

#include "interface/pluginapi.h"

namespace pxb::host {

// Reads the remembered session, or lets the user choose or create one, runs
// the main dialog and writes the session back, whatever the dialog's
// outcome. Leaves the picked member in the population's chosenMember; a
// cancel or failure leaves a nonzero result and empty rectangles. A host
// that is not a filter host (the GIMP plug-in) passes a null record.
void RunBreedingSession(api::FilterRecord* record);

// Reads the member the remembered session names as chosen; readErr when
// there is no session, it cannot be read, or it has no chosen member.
void RepeatLastFilter();

}  // namespace pxb::host
