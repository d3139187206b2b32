// Animation timer: default registration, the counter wrap, the fraction
// between ticks, and queued one-shot animations returning to the previous one.
#include <gtest/gtest.h>

#include <cstring>

#include "pose/anim.h"
#include "test_pose_fixture.h"
#include "session/session.h"

namespace {

class PoseAnim : public CoreGlobalsTest {
  protected:
    void SetUp() override {
        CoreGlobalsTest::SetUp();
        memset(&timer, 0, sizeof timer);
    }
    void TickAt(int32_t now) { TickAnimationAt(&timer, now); }
    AnimTimer timer;
};

} // namespace

TEST_F(PoseAnim, DefaultAnimationLoopsThroughTheFrameCount) {
    SkelModel model = MakePoseModel({"a", "b"}, {-1, 0}, 10);
    SetDefaultAnimation(&timer, &model);
    EXPECT_EQ(timer.numanims, 1);
    EXPECT_EQ(timer.anims[0].firstframe, 1);
    EXPECT_EQ(timer.anims[0].lastframe, 10);
    EXPECT_EQ(timer.anims[0].looplength, 10);

    // A later load replaces the default range instead of adding an entry; the
    // viewer's wrappers do the same on ModelTimer and read TickTime.
    SkelModel other = MakePoseModel({"a", "b"}, {-1, 0}, 4);
    SetDefaultAnimation(&timer, &other);
    EXPECT_EQ(timer.numanims, 1);
    EXPECT_EQ(timer.anims[0].lastframe, 4);
    memset(&ModelTimer, 0, sizeof ModelTimer);
    RegisterDefaultAnimation(&other);
    EXPECT_EQ(ModelTimer.numanims, 1);
    EXPECT_EQ(ModelTimer.anims[0].lastframe, 4);
    TickTime = 5;
    TickAnimation(&ModelTimer);
    EXPECT_EQ(ModelTimer.lasttime, 5.0f);

    // frametime 0: every call ticks; counters run 1 .. 10, then 0, 1, ...
    timer.anims[0] = AnimRange{1, 10, 10};
    timer.numanims = 1;
    for (int n = 1; n <= 10; n++) {
        TickAt(100 + n);
        for (int c = 0; c < ANIM_CHANNELS; c++) EXPECT_EQ(timer.frame[c], n);
        EXPECT_EQ(timer.fraction, 1.0f);
    }
    TickAt(111);
    for (int c = 0; c < ANIM_CHANNELS; c++) {
        EXPECT_EQ(timer.frame[c], 0);
        EXPECT_EQ(timer.oldframe[c], 10);
    }
    TickAt(112);
    EXPECT_EQ(timer.frame[0], 1);
}

TEST_F(PoseAnim, FractionFallsBetweenTicks) {
    timer.anims[0] = AnimRange{1, 10, 10};
    timer.frametime = 100;
    TickAt(1000);
    EXPECT_EQ(timer.frame[0], 1);
    EXPECT_EQ(timer.lasttime, 1000.0f);
    EXPECT_EQ(timer.nexttime, 1100.0f);
    TickAt(1025);
    EXPECT_EQ(timer.frame[0], 1);
    EXPECT_FLOAT_EQ(timer.fraction, 0.75f);
    TickAt(1099);
    EXPECT_NEAR(timer.fraction, 0.01f, 1e-6);
    TickAt(1100);
    EXPECT_EQ(timer.frame[0], 2);
    EXPECT_EQ(timer.fraction, 1.0f);

    // A clock reading from before the last tick (the millisecond clock
    // wrapped) ticks instead of freezing the timer.
    TickAt(-5000);
    EXPECT_EQ(timer.frame[0], 3);
    EXPECT_EQ(timer.nexttime, -4900.0f);
}

TEST_F(PoseAnim, QueuedAnimationPlaysOnceThenResumes) {
    timer.anims[0] = AnimRange{1, 10, 10};
    timer.anims[1] = AnimRange{0, 50, 50};
    timer.anims[2] = AnimRange{20, 22, 2};
    timer.numanims = 3;
    timer.anim[0] = 1;
    timer.frame[0] = 5;
    timer.queued[0] = 2;
    TickAt(1);
    EXPECT_EQ(timer.anim[0], 2);
    EXPECT_EQ(timer.frame[0], 20);
    EXPECT_EQ(timer.oneshot[0], 1);
    EXPECT_EQ(timer.resume[0], 1);
    EXPECT_EQ(timer.queued[0], 0);
    TickAt(2);
    TickAt(3);
    EXPECT_EQ(timer.frame[0], 22);
    EXPECT_EQ(timer.anim[0], 2);
    TickAt(4); // passes lastframe: back to animation 1 at its first frame
    EXPECT_EQ(timer.anim[0], 1);
    EXPECT_EQ(timer.frame[0], 0);
    EXPECT_EQ(timer.oneshot[0], 0);
    EXPECT_EQ(timer.resume[0], 0);
    // Other channels played animation 0 undisturbed.
    EXPECT_EQ(timer.anim[1], 0);
    EXPECT_EQ(timer.frame[1], 4);
}

TEST_F(PoseAnim, RequeueKeepsFirstResumeAndIndexZeroMeansNone) {
    timer.anims[0] = AnimRange{1, 10, 10};
    timer.anims[1] = AnimRange{0, 50, 50};
    timer.anims[2] = AnimRange{20, 29, 9};
    timer.anims[3] = AnimRange{30, 31, 1};
    timer.anim[0] = 1;
    timer.queued[0] = 2;
    TickAt(1);
    timer.queued[0] = 3; // replaces the one-shot, keeps resume at 1
    TickAt(2);
    EXPECT_EQ(timer.anim[0], 3);
    EXPECT_EQ(timer.resume[0], 1);
    TickAt(3);
    TickAt(4);
    EXPECT_EQ(timer.anim[0], 1);

    // Playing animation 0 before the queued one: nothing to return to, so
    // the queued animation keeps looping.
    timer.anim[1] = 0;
    timer.queued[1] = 3;
    TickAt(5);
    EXPECT_EQ(timer.anim[1], 3);
    EXPECT_EQ(timer.resume[1], 0);
    TickAt(6);
    TickAt(7); // 32 > 31: wraps to 30 and stays on animation 3
    EXPECT_EQ(timer.anim[1], 3);
    EXPECT_EQ(timer.frame[1], 30);

    // A queued index outside the table plays entry 0 rather than reading past it.
    timer.queued[2] = MAX_ANIMS + 7;
    TickAt(8);
    EXPECT_EQ(timer.anim[2], 0);
    EXPECT_EQ(timer.frame[2], 1);
}
