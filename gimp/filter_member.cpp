#include "gimp/filter_member.h"

#include <vector>

#include "evolution/filter_file.h"
#include "evolution/population.h"
#include "evolution/session_file.h"
#include "storage/session_store.h"

namespace pxb::gimp {

bool IsFilterFile(const std::string& path) {
  const std::string ext = ".gdo";
  if (path.size() < ext.size()) return false;
  for (size_t i = 0; i < ext.size(); ++i) {
    const char c = path[path.size() - ext.size() + i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != ext[i]) return false;
  }
  return true;
}

bool LoadFilterTarget(const FilterTarget& target, Member* member, std::string* error) {
  if (IsFilterFile(target.path)) {
    if (target.member != kChosenMember) {
      *error = target.path + ": a filter file holds one member; give -1 as the member";
      return false;
    }
    ViewParams vp{};
    return LoadFilterFile(target.path, &vp, false, member, error);
  }
  if (target.member < kChosenMember || target.member >= kPopulationSize) {
    *error =
        "the member must be 0 to 8, or -1 for the picked one, not " + std::to_string(target.member);
    return false;
  }
  // The session is read into a population of its own, so the members not
  // taken are released with it.
  struct Owned {
    Population population{};
    ~Owned() { ReleasePopulation(&population); }
  } session;
  SessionHeader header{};
  if (!LoadSession(target.path, &session.population, &header, error)) return false;
  const int32_t k = target.member == kChosenMember ? header.chosenMember : target.member;
  if (k < 0 || k >= kPopulationSize) {
    *error = target.path + ": no member has been picked in this session";
    return false;
  }
  *member = session.population.members[k];
  session.population.members[k] = Member{};
  return true;
}

}  // namespace pxb::gimp
