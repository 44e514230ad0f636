#include "evolution/breeding_step.h"

#include "engine/growth.h"
#include "evolution/filter_file.h"
#include "evolution/learning_block.h"

namespace pxb {
namespace {

void Record(const Population& p, int shown, const int32_t positions[], int64_t time) {
  HistoryStep step;
  step.time = time;
  step.positions.assign(positions, positions + shown);
  ByteWriter lists;
  WriteGlobalLists(&lists);
  step.lists = lists.bytes();
  for (int k = 0; k < shown; ++k) {
    ByteWriter record;
    WriteMember(&record, p.members[k]);
    step.records.push_back(record.bytes());
  }
  std::deque<HistoryStep>& history = GlobalLearning().history;
  history.push_back(std::move(step));
  while (history.size() > kHistoryDepth)
    history.pop_front();
}

}  // namespace

float RatingOfPosition(int32_t position) {
  return static_cast<float>(100 - position) * 0.01f;
}

void BreedStep(Population* p, int shown, const int32_t positions[], int64_t time,
               BreedingFrontEnd* frontEnd) {
  Record(*p, shown, positions, time);
  // Every rating is applied before any member is replaced, so that the
  // whole new generation grows from the same weights.
  for (int k = 0; k < shown; ++k)
    ApplyRating(p->members[k], RatingOfPosition(positions[k]));
  for (int k = 0; k < shown; ++k) {
    frontEnd->BeforeReplacing(k);
    RebreedMember(p, k);
    frontEnd->AfterReplacing(k);
  }
}

bool UndoStep(Population* p, int* shown, std::string* error) {
  std::deque<HistoryStep>& history = GlobalLearning().history;
  if (history.empty()) {
    *error = "there is no breeding step to undo";
    return false;
  }
  const HistoryStep& step = history.back();
  WeightTable lists;
  ByteReader listsIn(step.lists);
  if (!ReadGlobalLists(&listsIn, &lists, error)) return false;
  const int n = static_cast<int>(step.records.size());
  Member restored[kPopulationSize] = {};
  for (int k = 0; k < n; ++k) {
    ByteReader in(step.records[static_cast<size_t>(k)]);
    if (!ReadMember(&in, &p->views[k], false, &restored[k], error)) {
      for (int j = 0; j < k; ++j)
        ReleaseMember(&restored[j], &p->views[j]);
      FreeWeightTable(&lists);
      return false;
    }
  }
  for (int k = 0; k < n; ++k) {
    ReleaseMember(&p->members[k], &p->views[k]);
    p->members[k] = restored[k];
  }
  InstallGlobalLists(&lists);
  history.pop_back();
  *shown = n;
  return true;
}

}  // namespace pxb
