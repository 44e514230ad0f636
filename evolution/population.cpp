#include "evolution/population.h"

namespace pxb {
namespace {

Population population;

}  // namespace

Population& GlobalPopulation() {
  return population;
}

void ResetMember(Member* member, TypeId type, const ViewParams* vp) {
  *member = Member{};
  member->type = type;
  member->seed = *vp;
  TakeSnapshot(member, type);
}

void RegrowMember(Member* member, ViewParams* vp) {
  vp->rand = member->seed.rand;
  NodeRelease(&member->tree, vp);
  member->tree = GrowTree(static_cast<TypeId>(member->type), vp, 0, 0, -1, member);
}

void RebreedMember(Population* p, int k) {
  ReleaseMember(&p->members[k], &p->views[k]);
  p->members[k] = GrowMember(p->rootType, &p->views[k]);
}

void ReleasePopulation(Population* p) {
  for (int k = 0; k < kPopulationSize; ++k)
    ReleaseMember(&p->members[k], &p->views[k]);
}

}  // namespace pxb
