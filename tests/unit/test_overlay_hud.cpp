// The frame-rate meter of the heads-up display.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "overlay/hud.h"

TEST(OverlayHud, RenewsAtMostOncePerSecondWithFramesOfThePeriod) {
    ResetFPS();
    EXPECT_STREQ(FPSText, "");
    // The first tick renews at once: no frames have run yet.
    UpdateFPS(5020, 0);
    EXPECT_STREQ(FPSText, "FPS: 0");
    EXPECT_EQ(FPSLastTime, 5020);
    UpdateFPS(6019, 90); // 999 ms later: unchanged
    EXPECT_STREQ(FPSText, "FPS: 0");
    EXPECT_EQ(FPSLastFrames, 0);
    UpdateFPS(6020, 91);
    EXPECT_STREQ(FPSText, "FPS: 91");
    EXPECT_EQ(FPSLastFrames, 91);
    // A long stall shows the few frames of the long period, not a rate.
    UpdateFPS(14000, 93);
    EXPECT_STREQ(FPSText, "FPS: 2");
    EXPECT_EQ(FPSLastTime, 14000);
}

TEST(OverlayHud, ComparesTicksAcrossTheClockWrap) {
    ResetFPS();
    // A clock already past 2^31 at start still renews on the first tick.
    int32_t late = (int32_t)0xF0000000u;
    UpdateFPS(late, 0);
    EXPECT_STREQ(FPSText, "FPS: 0");
    // Across the wrap: 0xFFFFFF00 to 0x000002E8 is 1000 ms.
    UpdateFPS((int32_t)0xFFFFFF00u, 10);
    EXPECT_STREQ(FPSText, "FPS: 10");
    UpdateFPS((int32_t)0x000002E7u, 50);
    EXPECT_STREQ(FPSText, "FPS: 10");
    UpdateFPS((int32_t)0x000002E8u, 60);
    EXPECT_STREQ(FPSText, "FPS: 50");
}

TEST(OverlayHud, PlaybackLineOnlyWhilePlayingOrPaused) {
    char text[32] = "old";
    Playback play;
    play.frame = 3;
    EXPECT_FALSE(FormatPlaybackFrame(&play, 0.5f, text, sizeof text));
    EXPECT_STREQ(text, "");

    play.mode = PLAY_PLAYING;
    ASSERT_TRUE(FormatPlaybackFrame(&play, 0.25f, text, sizeof text));
    EXPECT_STREQ(text, "Frame: 3");
    play.smooth = true;
    FormatPlaybackFrame(&play, 0.25f, text, sizeof text);
    EXPECT_STREQ(text, "Frame: 3 (0.25)");
    play.mode = PLAY_PAUSED;
    play.frame = 12;
    FormatPlaybackFrame(&play, 0, text, sizeof text);
    EXPECT_STREQ(text, "Frame: 12 (0.00)");

    // A short buffer gets the start of the line, terminated.
    char small[6];
    FormatPlaybackFrame(&play, 0, small, sizeof small);
    EXPECT_STREQ(small, "Frame");
}
