// The sampling of the previews: the sample orders, the stage counting, the
// clipping of squares, stops and restarts, and the colour of a sample.
#include <cstring>
#include <set>
#include <utility>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/growth.h"
#include "evolution/render.h"
#include "primitives/expression_text.h"
#include "primitives/scalar.h"
#include "tests/common/treeless.h"
#include "ui/sampling.h"
#include "ui_fixture.h"

namespace pxb::ui {
namespace {

// Records what is drawn, from any thread, without locks.
struct Recorder {
  struct Call {
    Rect rect;
    bool frame;
    uint32_t colour = 0;
  };
  static constexpr int kCapacity = 1 << 16;
  std::vector<Call> calls = std::vector<Call>(kCapacity);
  std::atomic<int> count{0};

  static void Fill(void* context, DrawContext, const Rect& r, uint32_t colour) {
    Add(context, Call{r, false, colour});
  }
  static void Frame(void* context, DrawContext, const Rect& r) { Add(context, Call{r, true, 0}); }
  static void Add(void* context, const Call& call) {
    auto* self = static_cast<Recorder*>(context);
    const int i = self->count++;
    if (i < kCapacity) self->calls[static_cast<size_t>(i)] = call;
  }
  std::vector<Call> Take() { return {calls.begin(), calls.begin() + count.exchange(0)}; }
};

int32_t Side(const Rect& r) {
  return r.width() > r.height() ? r.width() : r.height();
}

bool Inside(const Rect& r, const Rect& picture) {
  return r.left >= picture.left && r.top >= picture.top && r.right <= picture.right &&
         r.bottom <= picture.bottom;
}

// How many different pixels the calls from `from` on paint, each a square
// of one pixel.
size_t PixelsPainted(const std::vector<Recorder::Call>& calls, size_t from) {
  std::set<std::pair<int32_t, int32_t>> pixels;
  for (size_t i = from; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].rect.width() * calls[i].rect.height(), 1) << i;
    pixels.insert({calls[i].rect.left, calls[i].rect.top});
  }
  return pixels.size();
}

class PreviewTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    SetDialogLayer(nullptr);
    DialogLayer layer = Layer();
    layer.context = &recorder_;
    layer.fillSolid = Recorder::Fill;
    layer.frameBlack = Recorder::Frame;
    SetDialogLayer(&layer);
  }

  // Readies member 0 for a w × h picture at (10, 20) with a sample order of
  // ow × oh, and asks for a fresh start.
  Rect StartMember0(int32_t w, int32_t h, int32_t ow, int32_t oh) {
    const Rect picture{10, 20, 10 + w, 20 + h};
    const Rect frame{8, 18, 12 + w, 22 + h};
    MakeSampleOrder(ow, oh);
    StartPreview(0, frame, picture);
    return picture;
  }

  Recorder recorder_;
};

TEST_F(PreviewTest, SampleOrderIsAPermutationShuffledWithTheGlobalGenerator) {
  RandState expected = GlobalRandState();
  SampleOrder order;
  FillSampleOrder(&order, 7, 5);
  ASSERT_EQ(order.count, 35);
  std::set<std::pair<int32_t, int32_t>> seen;
  for (int32_t i = 0; i < order.count; ++i)
    seen.insert({order.points[i].x, order.points[i].y});
  EXPECT_EQ(seen.size(), 35u);
  EXPECT_EQ(*seen.begin(), std::make_pair(0, 0));
  EXPECT_EQ(*seen.rbegin(), std::make_pair(6, 4));
  // M - 1 draws.
  for (int i = 0; i < 34; ++i)
    NextInt31On(&expected);
  EXPECT_EQ(std::memcmp(&expected, &GlobalRandState(), sizeof expected), 0);

  // Two points in x-major order, swapped when the one draw is odd.
  RandState copy = GlobalRandState();
  const bool swapped = NextInt31On(&copy) % 2 == 1;
  FillSampleOrder(&order, 2, 1);
  EXPECT_EQ(order.points[0].x, swapped ? 1 : 0);
  EXPECT_EQ(order.points[1].x, swapped ? 0 : 1);
}

TEST_F(PreviewTest, TwoByTwoPictureSkipsBlockFourDrawsThreeOfTwoThenEveryPixel) {
  const Rect picture = StartMember0(2, 2, 2, 2);
  RunRenderStep(0);
  const auto calls = recorder_.Take();
  // (3 · 2 · 2) div 16 = 0: the first sample moves on to block 2, whose
  // stage of 3 samples is drawn; then block 1 draws all M = 4 points.
  ASSERT_EQ(calls.size(), 1u + 3u + 4u);
  EXPECT_TRUE(calls[0].frame);
  EXPECT_EQ(calls[0].rect, (Rect{8, 18, 14, 24}));
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_FALSE(calls[i].frame);
    // Squares of side 2 around the point, clipped to the picture.
    EXPECT_TRUE(Inside(calls[i].rect, picture));
    EXPECT_GE(calls[i].rect.width(), 1);
    EXPECT_LE(Side(calls[i].rect), 2);
  }
  EXPECT_EQ(PixelsPainted(calls, 4), 4u);
  EXPECT_EQ(Slot(0).busy.load(), 0) << "finished";
  EXPECT_EQ(Slot(0).restart.load(), 0);
}

TEST_F(PreviewTest, SmallerPictureSkipsOutsidePointsAndPaintsEachPixelOnceInside) {
  const Rect picture = StartMember0(5, 3, 7, 4);
  int steps = 0;
  do {
    RunRenderStep(0);
  } while (Slot(0).busy.load() != 0 && ++steps < 100);
  EXPECT_EQ(Slot(0).busy.load(), 0);
  std::vector<Recorder::Call> squares;
  for (const auto& c : recorder_.Take()) {
    if (c.frame) continue;
    squares.push_back(c);
    EXPECT_TRUE(Inside(c.rect, picture));
  }
  // Block 4 lasts (3 · 5 · 3) div 16 = 2 samples (1 drawn) and block 2
  // (45) div 4 = 11; only points inside the picture are drawn. The last
  // stage walks all 28 points once and paints the 15 inside it.
  ASSERT_GE(squares.size(), 15u);
  EXPECT_LE(squares.size(), 1u + 11u + 15u);
  EXPECT_EQ(PixelsPainted(squares, squares.size() - 15), 15u);
}

TEST_F(PreviewTest, AStepDrawsOneHundredSamplesARestartGoesOnFromTheCursorAStopFinishesIt) {
  const Rect picture = StartMember0(20, 20, 20, 20);
  RunRenderStep(0);
  auto calls = recorder_.Take();
  ASSERT_EQ(calls.size(), 101u);  // the border and 100 squares
  // Block 4 lasts (3 · 400) div 16 = 75 samples, of which 74 are drawn.
  int big = 0;
  for (const auto& c : calls) {
    if (!c.frame && Side(c.rect) > 2) ++big;
  }
  EXPECT_LE(big, 74);
  EXPECT_GE(big, 60) << "squares of 4 clipped at the edges";
  EXPECT_EQ(Slot(0).busy.load(), 1);

  int32_t cursor = Slot(0).cursor;
  const Rect elsewhere{0, 0, 5, 5};
  StartPreview(0, elsewhere, elsewhere);  // busy: the slot keeps its rectangles
  RunRenderStep(0);
  calls = recorder_.Take();
  ASSERT_FALSE(calls.empty());
  EXPECT_TRUE(calls[0].frame);
  EXPECT_EQ(calls[0].rect, (Rect{8, 18, 32, 42}));
  EXPECT_EQ(Slot(0).picture.Load(), picture);
  // From block 4 again: 74 samples there, then 26 of the (3 · 400) div 4 =
  // 300 of block 2, whose countdown then stands at 275 (274 samples to go).
  EXPECT_EQ(Slot(0).block, 2);
  EXPECT_EQ(Slot(0).countdown, 275);
  EXPECT_EQ(Slot(0).cursor, (cursor + 100) % 400);

  cursor = Slot(0).cursor;
  Slot(0).stop.store(1);
  RunRenderStep(0);
  EXPECT_EQ(recorder_.Take().size(), 100u);
  EXPECT_EQ(Slot(0).busy.load(), 0) << "the stop was noted";
  EXPECT_EQ(Slot(0).cursor, (cursor + 100) % 400);
}

// Draws a whole preview of member's tree, prepared for a w × h view with
// its own "dither" state as the preview slots do, in steps through the run
// evaluator or sample by sample; returns what was painted and the state the
// draws left.
std::pair<std::vector<Recorder::Call>, RandState> DrawWholePreview(const Member& member,
                                                                   const SampleOrder& order,
                                                                   int32_t w, int32_t h, bool runs,
                                                                   Recorder* recorder) {
  ViewParams view{w, h, 0, member.seed.rand};
  RandState dither = kDitherStartState;
  EvalContext context{};
  context.dither = &dither;
  Node* tree = GrowTreeCopy(member, &view);
  PrepareTree(&tree, &context, &view);
  dither = kDitherStartState;
  RunEvaluator evaluator(tree, view, dither);
  const Rect picture{3, 5, 3 + w, 5 + h};
  StageProgress progress{kMainInitialBlock, 0, 0};
  progress.countdown = StageLength(kMainSampleFactor, w, h, progress.block, order.count);
  const bool colour = tree->type == kColour;
  RunEvaluator* run = runs ? &evaluator : nullptr;
  const StepTarget target{&order,  picture, tree,   &context, &view, kMainSampleFactor,
                          nullptr, nullptr, colour, run};
  for (int step = 0; step < 1000; ++step) {
    const win::Drawing drawing(Dialogs().mainWindow);
    if (DrawSamples(&progress, target, drawing).finished) break;
  }
  NodeRelease(&tree, &view);
  return {recorder->Take(), dither};
}

TEST_F(PreviewTest, RunEvaluatorPaintsTheSampleBySamplePixelsAndDitherDraws) {
  // Grown colour and unit filters that draw "dither" (in fixed and in
  // shared, order-dependent places), on a 13 x 11 picture whose order
  // also holds points outside it.
  SampleOrder order;
  FillSampleOrder(&order, 15, 12);
  int compared = 0;
  for (int k = 0; k < 400 && compared < 24; ++k) {
    ViewParams grow{13, 11, 0, {{static_cast<uint16_t>(k * 104729), 0x1357, 0x2468}}};
    Member m = GrowMember(k % 2 == 0 ? kColour : kUnit, &grow);
    if (ExpressionText(m.tree).find("dither") != std::string::npos) {
      ++compared;
      const auto want = DrawWholePreview(m, order, 13, 11, false, &recorder_);
      const auto got = DrawWholePreview(m, order, 13, 11, true, &recorder_);
      ASSERT_EQ(got.first.size(), want.first.size()) << "member " << k;
      for (size_t i = 0; i < want.first.size(); ++i) {
        EXPECT_EQ(got.first[i].rect, want.first[i].rect) << "member " << k << " square " << i;
        EXPECT_EQ(got.first[i].colour, want.first[i].colour) << "member " << k << " square " << i;
      }
      EXPECT_EQ(std::memcmp(&got.second, &want.second, sizeof(RandState)), 0) << "member " << k;
    }
    ViewParams release{};
    ReleaseMember(&m, &release);
  }
  EXPECT_EQ(compared, 24);
}

TEST_F(PreviewTest, SampleColourQuantisesTheRootTypesChannels) {
  Population& p = GlobalPopulation();
  const ColourValue colour{{0.5, 1.0, -0.2, 0.0}, 0, 0};
  EXPECT_EQ(SampleColour(&colour, true), 128u + 256u * 255u);
  EXPECT_EQ(SampleColour(&colour, false), 128u * (1u + 256u + 65536u));
  const double grey = 0.25;
  EXPECT_EQ(SampleColour(&grey, false), 64u * (1u + 256u + 65536u));
  // Colour only for a colour member of a colour run.
  EXPECT_FALSE(ShownInColour(kUnit));
  p.rootType = kUnit;
  EXPECT_FALSE(ShownInColour(kColour));
  p.rootType = kColour;
}

// A grey filter opened in a colour run (or a session bred on a grey image):
// the final pass writes its value into every plane, so the preview is grey.
TEST_F(PreviewTest, AGreyMemberInAColourRunIsPreviewedGrey) {
  Population& p = GlobalPopulation();
  ASSERT_EQ(p.rootType, kColour);
  ReleaseMember(&p.members[0], &p.views[0]);
  ResetMember(&p.members[0], kUnit, &p.views[0]);
  StartMember0(6, 6, 6, 6);
  ASSERT_NE(Dialogs().renderRefs[0], nullptr);
  RunRenderStep(0);
  int fills = 0;
  int coloured = 0;
  for (const Recorder::Call& call : recorder_.Take()) {
    if (call.frame) continue;
    ++fills;
    const uint32_t red = call.colour & 0xFF;
    if (call.colour != red * (1u + 256u + 65536u)) ++coloured;
  }
  EXPECT_GT(fills, 0);
  EXPECT_EQ(coloured, 0);
}

// A member whose lists grow no tree (only "trfmap" at the root, nothing for
// its displacement) has nothing to draw: its preview ends at once with only
// its border.
TEST_F(PreviewTest, AMemberWithoutATreeEndsAtOnceAndStaysBlank) {
  pxb::testing::MakeTreeless(&GlobalPopulation().members[0]);
  StartMember0(20, 20, 20, 20);
  ASSERT_EQ(Dialogs().renderRefs[0], nullptr);
  RunRenderStep(0);
  EXPECT_EQ(Slot(0).busy.load(), 0);
  for (const Recorder::Call& call : recorder_.Take())
    EXPECT_TRUE(call.frame);
}

TEST_F(PreviewTest, BigPreviewDrawsEightFourTwoThenEveryPixelOnce) {
  PrepareMemberPreview(0, Rect{0, 0, 8, 8});
  MakeBigSampleOrder(8, 8);
  StartBigPreview(0, Rect{0, 0, 12, 12}, Rect{2, 2, 10, 10});
  ASSERT_TRUE(WaitForBigPreview(60000));
  const auto calls = recorder_.Take();
  // The border, then (2 · 64) div 64 = 2 samples at 8 (1 drawn), 8 at 4,
  // 32 at 2 and 64 at 1.
  ASSERT_EQ(calls.size(), 1u + 1u + 8u + 32u + 64u);
  EXPECT_TRUE(calls[0].frame);
  EXPECT_EQ(PixelsPainted(calls, 42), 64u);
  StopBigPreview();
}

}  // namespace
}  // namespace pxb::ui
