// The run version of map resampling, for the run evaluator.
#pragma once

#include "engine/run_eval.h"

namespace pxb {

// The run version of ResampleEval.
void ResampleRun(const RunCall& call);

// The registered run version of the blend function `blend`, or null.
RunBlendFn FindRunBlend(EvalFn blend);

}  // namespace pxb
