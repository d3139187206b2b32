// Playback: the frames shown over timer ticks with and without loop, the
// controls, pacing by the animation timer at a changing speed, and the blend
// of two poses (exact ends, the short way round, slerp against hand values).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "pose/playback.h"
#include "test_pose_fixture.h"

namespace {

constexpr double DEG = 3.141592653589793 / 180.0;

// Rotation by degrees about a unit axis.
BonePose AxisPose(double degrees, double x, double y, double z) {
    double s = std::sin(degrees * DEG / 2);
    return BonePose{
        {(float)(x * s), (float)(y * s), (float)(z * s), (float)std::cos(degrees * DEG / 2)},
        {0, 0, 0}};
}

void ExpectQuat(const BonePose& p, const BonePose& want, float tolerance) {
    for (int k = 0; k < 4; k++)
        EXPECT_NEAR(p.quat[k], want.quat[k], tolerance) << "component " << k;
}

} // namespace

TEST(PosePlayback, FramesOverTicksWithAndWithoutLoop) {
    struct Case {
        int32_t numframes;
        bool loop;
        std::vector<int32_t> frames; // at the start, then after each tick
        PlayMode end;
    };
    const Case cases[] = {
        {10, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3}, PLAY_PLAYING},
        {10, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9}, PLAY_PAUSED},
        {2, true, {1, 1, 1}, PLAY_PLAYING},
        {2, false, {1, 1, 1}, PLAY_PAUSED},
        {1, true, {0, 0, 0}, PLAY_PLAYING},
        {1, false, {0, 0, 0}, PLAY_PAUSED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.numframes << " frames, loop " << c.loop);
        Playback play;
        play.loop = c.loop;
        TogglePlayback(&play, c.numframes);
        std::vector<int32_t> seen = {play.frame};
        while (seen.size() < c.frames.size()) {
            AdvancePlayback(&play, c.numframes);
            seen.push_back(play.frame);
        }
        EXPECT_EQ(seen, c.frames);
        EXPECT_EQ(play.mode, c.end);
    }

    // Ended without loop: Play starts again from the first played frame.
    Playback play;
    play.loop = false;
    ScrubPlayback(&play, 9, 10);
    TogglePlayback(&play, 10);
    EXPECT_EQ(play.frame, 1);
    EXPECT_EQ(play.mode, PLAY_PLAYING);
    // Nothing to play without frames.
    Playback empty;
    TogglePlayback(&empty, 0);
    EXPECT_EQ(empty.mode, PLAY_STOPPED);
}

TEST(PosePlayback, PauseScrubAndStop) {
    Playback play;
    EXPECT_EQ(play.mode, PLAY_STOPPED);
    EXPECT_EQ(play.fps, 10);
    EXPECT_TRUE(play.loop);
    EXPECT_FALSE(play.smooth);
    TogglePlayback(&play, 5);
    AdvancePlayback(&play, 5);
    TogglePlayback(&play, 5); // pause holds the frame over ticks
    EXPECT_EQ(play.mode, PLAY_PAUSED);
    EXPECT_FALSE(AdvancePlayback(&play, 5));
    EXPECT_EQ(play.frame, 2);
    TogglePlayback(&play, 5); // and plays on from it
    EXPECT_TRUE(AdvancePlayback(&play, 5));
    EXPECT_EQ(play.frame, 3);

    ScrubPlayback(&play, 99, 5); // a playing player plays on from the frame
    EXPECT_EQ(play.frame, 4);
    EXPECT_EQ(play.mode, PLAY_PLAYING);
    StopPlayback(&play, 5);
    EXPECT_EQ(play.mode, PLAY_STOPPED);
    ScrubPlayback(&play, -3, 5); // a stopped one shows the frame, paused
    EXPECT_EQ(play.frame, 0);
    EXPECT_EQ(play.mode, PLAY_PAUSED);
    StopPlayback(&play, 5);
    EXPECT_EQ(play.mode, PLAY_STOPPED);
}

// Drawn frames every 5 ms from start, over 400 ms at 10 then 20 fps; the
// clock readings at which the shown frame changed, and the blend a quarter
// into the first interval.
struct PacedRun {
    std::vector<uint32_t> changes;
    float quarter = -1;
    int32_t frame = 0;
};

static PacedRun RunPaced(uint32_t start) {
    Playback play;
    SetPlaybackSpeed(&play, 10);
    play.smooth = true;
    TogglePlayback(&play, 10);
    RestartPlaybackInterval(&play, start);
    PacedRun run;
    for (uint32_t t = 5; t <= 400; t += 5) {
        uint32_t now = start + t; // wraps with the clock
        if (PlaybackStepDue(&play, now) && AdvancePlayback(&play, 10)) run.changes.push_back(t);
        if (t == 25) run.quarter = PlaybackBlend(&play, now);
        if (t == 200) SetPlaybackSpeed(&play, 20); // twice the speed from the step just taken
    }
    run.frame = play.frame;
    return run;
}

TEST(PosePlayback, PacesFramesInWholeMillisecondsAtAnyUptime) {
    Playback play;
    SetPlaybackSpeed(&play, 0);
    EXPECT_EQ(play.fps, PLAY_MIN_FPS);
    SetPlaybackSpeed(&play, 500);
    EXPECT_EQ(play.fps, PLAY_MAX_FPS);

    // Just after start, after ten days of uptime (float milliseconds are 64
    // apart there), and across the wrap at 2^32: the same steps, the same blend.
    const uint32_t TEN_DAYS = 10u * 24 * 3600 * 1000;
    for (uint32_t start : {1000u, TEN_DAYS, 0xFFFFFF00u}) {
        PacedRun run = RunPaced(start);
        EXPECT_EQ(run.changes, (std::vector<uint32_t>{100, 200, 250, 300, 350, 400}))
            << "start " << start;
        EXPECT_FLOAT_EQ(run.quarter, 0.25f) << "start " << start;
        EXPECT_EQ(run.frame, 7) << "start " << start;
    }

    // 120 fps is a frame every 1000/120 ms: due at 9 whole ms, not before,
    // and never at 0 ms.
    SetPlaybackSpeed(&play, 120);
    TogglePlayback(&play, 10);
    RestartPlaybackInterval(&play, TEN_DAYS);
    EXPECT_FALSE(PlaybackStepDue(&play, TEN_DAYS));
    EXPECT_FALSE(PlaybackStepDue(&play, TEN_DAYS + 8));
    EXPECT_TRUE(PlaybackStepDue(&play, TEN_DAYS + 9));
    EXPECT_FALSE(PlaybackStepDue(&play, TEN_DAYS + 9));
    // A reading more than 2^31 ms on is a long gap, not a clock running back.
    EXPECT_TRUE(PlaybackStepDue(&play, TEN_DAYS + 9 + 0x90000000u));
    play.smooth = true;
    RestartPlaybackInterval(&play, 0xFFFFFFFEu);
    EXPECT_FLOAT_EQ(PlaybackBlend(&play, 1u), 0.36f); // 3 ms of 8.33
    EXPECT_EQ(PlaybackBlend(&play, 20u), 1.0f);
    TogglePlayback(&play, 10); // paused: the frame itself, no blending
    EXPECT_EQ(PlaybackBlend(&play, 1u), 0.0f);
}

TEST(PosePlayback, BlendTakesTheShortWayAndHitsTheFramesExactly) {
    BonePose identity = AxisPose(0, 0, 0, 1);
    BonePose quarter = AxisPose(90, 0, 0, 1);
    BonePose flipped = quarter; // the same rotation with every sign turned
    for (float& v : flipped.quat) v = -v;
    identity.origin[0] = 0.1f;
    flipped.origin[0] = 10, flipped.origin[1] = -4, flipped.origin[2] = 2;

    BonePose out;
    BlendPose(&identity, &flipped, 0, &out);
    EXPECT_EQ(memcmp(&out, &identity, sizeof out), 0);
    BlendPose(&identity, &flipped, 1, &out);
    EXPECT_EQ(memcmp(&out, &flipped, sizeof out), 0);

    BlendPose(&identity, &flipped, 0.25f, &out);
    EXPECT_FLOAT_EQ(out.origin[0], 0.75f * 0.1f + 2.5f);
    EXPECT_FLOAT_EQ(out.origin[1], -1);
    EXPECT_FLOAT_EQ(out.origin[2], 0.5f);

    BonePose big = identity, bigQuarter = quarter, bigHalf = AxisPose(45, 0, 0, 1);
    for (int k = 0; k < 4; k++) big.quat[k] *= 2, bigQuarter.quat[k] *= 2, bigHalf.quat[k] *= 2;
    const struct {
        BonePose a, b;
        float t;
        BonePose want;
        float tolerance;
    } cases[] = {
        // Halfway to 90 degrees about z is 45 whichever sign the end has; a
        // quarter of the way is 22.5 (a plain normalised blend is 0.008 off).
        {identity, quarter, 0.5f, AxisPose(45, 0, 0, 1), 1e-6f},
        {identity, flipped, 0.5f, AxisPose(45, 0, 0, 1), 1e-6f},
        {identity, flipped, 0.25f, AxisPose(22.5, 0, 0, 1), 1e-6f},
        // +170 and -170 degrees about x are 20 degrees apart through 180; the
        // long way would pass through the identity.
        {AxisPose(170, 1, 0, 0), AxisPose(-170, 1, 0, 0), 0.5f, AxisPose(180, 1, 0, 0), 1e-6f},
        // Nearly equal rotations (the normalised linear blend) stay unit length.
        {identity, AxisPose(0.2, 0, 1, 0), 0.5f, AxisPose(0.1, 0, 1, 0), 1e-7f},
        // Quaternions of length 2 stay of length 2.
        {big, bigQuarter, 0.5f, bigHalf, 2e-6f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        BlendPose(&c.a, &c.b, c.t, &out);
        ExpectQuat(out, c.want, c.tolerance);
    }
    // A zero quaternion gives no NaN.
    BonePose zero = {{0, 0, 0, 0}, {0, 0, 0}};
    BlendPose(&zero, &quarter, 0.5f, &out);
    for (float v : out.quat) EXPECT_FALSE(std::isnan(v));
}

TEST(PosePlayback, FrameLocalPosesBlendPerBone) {
    SkelModel model = MakePoseModel({"a", "b", "c"}, {-1, 0, 1}, 4);
    model.frames[2].poses.resize(2); // bone c has no pose in frame 2
    BonePose local[3];
    BlendFrameLocalPoses(&model, 1, 2, 0.25f, local);
    EXPECT_FLOAT_EQ(local[0].origin[0], 12.5f);
    EXPECT_FLOAT_EQ(local[1].origin[0], 13.5f);
    EXPECT_FLOAT_EQ(local[2].origin[0], 0.75f * 12); // towards the identity
    BlendFrameLocalPoses(&model, 3, 7, 0, local);    // a missing next frame at 0
    EXPECT_FLOAT_EQ(local[1].origin[0], 31);
    BlendFrameLocalPoses(&model, -1, 7, 0.5f, local); // neither frame exists
    for (const BonePose& p : local) {
        EXPECT_EQ(p.quat[3], 1);
        EXPECT_EQ(p.origin[0], 0);
    }
}
