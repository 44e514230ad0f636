// The breeding step that NEXT and `pixbreed breed` share: slider positions
// become ratings, every rating is applied, every shown member is replaced,
// and the generation it replaced goes into the session's history so that
// the step can be undone.
#pragma once

#include <cstdint>
#include <string>

#include "evolution/population.h"

namespace pxb {

// Rating of a slider position: 0 (top) is 1.0, 50 is 0.5, 100 (bottom) is 0.
float RatingOfPosition(int32_t position);

// What a front end does around the replacement of member k: the dialog
// stops its previews before and prepares the new tree's preview after.
class BreedingFrontEnd {
 public:
  virtual ~BreedingFrontEnd() = default;
  virtual void BeforeReplacing(int k) { (void)k; }
  virtual void AfterReplacing(int k) { (void)k; }
};

// One step over members 0..shown-1, which carry the choice records of their
// current trees: records the step (the members' records and the global
// lists as they are, the positions and time) in the session's history, keeping
// the newest steps only; applies every member's rating; then replaces each
// member by one newly grown with the population's root type.
void BreedStep(Population* population, int shown, const int32_t positions[], int64_t time,
               BreedingFrontEnd* frontEnd);

// Puts back the generation and the global lists the newest history step
// replaced, and drops that step. The restored members carry no trees. False
// with a message, changing nothing, when there is no step to undo or it
// cannot be read. *shown tells how many members came back.
bool UndoStep(Population* population, int* shown, std::string* error);

}  // namespace pxb
