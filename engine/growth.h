// Growing random trees from a member's weight snapshot, recording choices.
#pragma once

#include "engine/member.h"

namespace pxb {

// The leaf growth puts in place of an argument of `type` at the depth limit,
// instead of a constant (the host-image leaves). Registered at start-up.
void SetForcedLeaf(TypeId type, BuilderFn builder);

// Takes the weight snapshot of the global lists for a member of rootType:
// every weight w is stored as it will read back from a file.
bool TakeSnapshot(Member* member, TypeId rootType);

Member GrowMember(TypeId rootType, ViewParams* view);
Node* GrowTree(TypeId want, ViewParams* view, FuncId parent, int slot, int depth, Member* member);
// -1 when the list offers no function at all.
FuncId ChooseFunction(TypeId want, ViewParams* view, FuncId parent, int slot, int depth,
                      Member* member);
Node* MakeConstant(TypeId type, ViewParams* view, MakerFn maker);
void ReleaseMember(Member* member, ViewParams* view);
void FreeChoices(ChoiceRecord** choices);

}  // namespace pxb
