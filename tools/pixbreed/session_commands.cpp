#include <cstdio>
#include <ctime>
#include <filesystem>

#include "evolution/breeding_step.h"
#include "evolution/filter_file.h"
#include "evolution/learning_block.h"
#include "primitives/expression_text.h"
#include "storage/session_store.h"
#include "tools/pixbreed/cli_common.h"
#include "tools/pixbreed/commands.h"

namespace pxb::cli {
namespace {

// Whether anything (a dangling link included) is at path; a folder that
// cannot be searched is a failure, not an answer.
bool PathExists(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return false;
  if (ec) throw Failure{path + ": " + ec.message()};
  return true;
}

const char* TypeName(int32_t type) {
  return type == kColour ? "colour" : "unit";
}

// Regrows every shown member once, so that each carries the choice records
// a rating works on, as the dialog's previews do before the user rates.
void ShowMembers(Session* s) {
  for (uint32_t k = 0; k < s->header.previewCount; ++k) {
    Population& p = s->population;
    p.views[k].width = 64;
    p.views[k].height = 64;
    RegrowMember(&p.members[k], &p.views[k]);
  }
}

}  // namespace

void RunNew(const NewArgs& args) {
  if (args.previews < 1 || args.previews > kPopulationSize) {
    throw Failure{"--previews must lie between 1 and 9"};
  }
  // Without --force the file must not exist, now or when it is written.
  FileStamp absent;
  if (!args.force) {
    if (PathExists(args.session))
      throw Failure{args.session + " exists already (use --force to replace it)"};
  }
  const int seed = args.seed >= 0 ? args.seed : static_cast<int>(std::time(nullptr));
  Session s;
  for (int k = 0; k < kPopulationSize; ++k) {
    s.population.views[k] = ViewParams{
        0, 0, 0, {{357, static_cast<uint16_t>(seed & 0xFFFF), static_cast<uint16_t>(k)}}};
  }
  std::string error;
  if (!CreateSession(args.session, static_cast<uint32_t>(args.previews),
                     args.grey ? kUnit : kColour, &s.population, &s.header, &error,
                     args.force ? nullptr : &absent)) {
    throw Failure{error};
  }
  std::printf("%s: new %s session, seed %d, %d previews\n", args.session.c_str(),
              args.grey ? "grey" : "colour", seed & 0xFFFF, args.previews);
}

void RunShow(const std::string& path) {
  Session s;
  LoadSessionOrFail(path, &s);
  std::printf("previews: %u\nchosen member: %d\nlast directory: %s\n", s.header.previewCount,
              s.header.chosenMember, LastDirectory(s.header).c_str());
  for (int k = 0; k < kPopulationSize; ++k) {
    Member& m = s.population.members[k];
    ViewParams view{64, 64, 0, {}};
    RegrowMember(&m, &view);
    std::printf("member %d: %s, seed %u %u %u\n  %s\n", k, TypeName(m.type), m.seed.rand.x[0],
                m.seed.rand.x[1], m.seed.rand.x[2], ExpressionText(m.tree).c_str());
  }
}

void RunBreed(const BreedArgs& args) {
  Session s;
  LoadSessionOrFail(args.session, &s);
  const int shown = static_cast<int>(s.header.previewCount);
  int32_t positions[kPopulationSize];
  std::fill(positions, positions + kPopulationSize, 50);
  for (const std::string& rating : args.ratings) {
    const size_t eq = rating.find('=');
    if (eq == std::string::npos) throw Failure{"rating '" + rating + "' is not of the form K=P"};
    const int k = ParseMemberIndex(rating.substr(0, eq));
    if (k >= shown) {
      throw Failure{"member " + std::to_string(k) + " is not shown (the session shows " +
                    std::to_string(shown) + ")"};
    }
    const std::string p = rating.substr(eq + 1);
    if (p.empty() || p.size() > 3 || p.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(p) > 100) {
      throw Failure{"slider position '" + p + "' is not a number from 0 to 100"};
    }
    positions[k] = std::stoi(p);
  }

  ShowMembers(&s);
  BreedingFrontEnd noFrontEnd;
  BreedStep(&s.population, shown, positions,
            args.time >= 0 ? args.time : static_cast<int64_t>(std::time(nullptr)), &noFrontEnd);
  SaveSessionOrFail(&s);
  std::printf("%s: bred %d members\n", args.session.c_str(), shown);
}

void RunUndo(const std::string& path) {
  Session s;
  LoadSessionOrFail(path, &s);
  int shown = 0;
  std::string error;
  if (!UndoStep(&s.population, &shown, &error)) throw Failure{path + ": " + error};
  SaveSessionOrFail(&s);
  std::printf("%s: undid one breeding step (%d members back), %zu left to undo\n", path.c_str(),
              shown, GlobalLearning().history.size());
}

void RunHistory(const std::string& path) {
  Session s;
  LoadSessionOrFail(path, &s);
  const SessionLearning& learning = GlobalLearning();
  std::printf("root type: %s\nlearning: %s\nsteps: %zu\n", TypeName(learning.rootType),
              learning.fromFile ? "kept in the session" : "default weights",
              learning.history.size());
  // Newest first, numbered by how many undos bring it back.
  int n = 1;
  for (auto step = learning.history.rbegin(); step != learning.history.rend(); ++step, ++n) {
    const auto time = static_cast<std::time_t>(step->time);
    char when[32] = "?";
    std::tm parts{};
    if (gmtime_r(&time, &parts) != nullptr) {
      std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S UTC", &parts);
    }
    std::printf("%d: %s, %zu members, sliders", n, when, step->positions.size());
    for (size_t k = 0; k < step->positions.size(); ++k)
      std::printf(" %zu=%d", k, step->positions[k]);
    std::printf("\n");
  }
}

void RunPick(const std::string& path, const std::string& member) {
  Session s;
  LoadSessionOrFail(path, &s);
  SetChosenMember(&s.header, ParseMemberIndex(member));
  SaveSessionOrFail(&s);
}

void RunExport(const std::string& path, const std::string& member, const std::string& filter,
               bool force) {
  Session s;
  LoadSessionOrFail(path, &s);
  const int k = ParseMemberIndex(member);
  std::error_code ec;
  if (std::filesystem::equivalent(path, filter, ec)) {
    throw Failure{filter + " is the session itself; export to another file"};
  }
  if (!force && PathExists(filter))
    throw Failure{filter + " exists already (use --force to replace it)"};
  std::string error;
  const FileStamp absent;
  if (!SaveFilterFile(filter, s.population.members[k], &error, force ? nullptr : &absent)) {
    throw Failure{error};
  }
}

void RunImport(const std::string& path, const std::string& member, const std::string& filter) {
  Session s;
  LoadSessionOrFail(path, &s);
  const int k = ParseMemberIndex(member);
  Member m{};
  std::string error;
  if (!LoadFilterFile(filter, &s.population.views[k], false, &m, &error)) throw Failure{error};
  ReleaseMember(&s.population.members[k], &s.population.views[k]);
  s.population.members[k] = m;
  SaveSessionOrFail(&s);
}

}  // namespace pxb::cli
