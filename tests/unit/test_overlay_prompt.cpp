// The text prompt's state machine: opening, typing, refusing, committing and
// cancelling, and the bone rename.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/model.h"
#include "overlay/prompt.h"
#include "overlay/text.h"
#include "tests/unit/test_session_globals.h"
#include "tests/unit/test_skeleton.h"
#include "session/session.h"

namespace {

int DoneCalls = 0;
void CountDone() { DoneCalls++; }

void Type(const std::string& text) {
    for (char c : text) EXPECT_EQ(PromptKey((unsigned char)c), 1);
}

class OverlayPrompt : public ::testing::Test {
  protected:
    void SetUp() override {
        // Close whatever a previous test left open.
        if (PromptActive) PromptKey(27);
        DoneCalls = 0;
        PromptCursor = "_";
        memset(target, '#', sizeof target);
    }
    void TearDown() override {
        if (PromptActive) PromptKey(27);
    }
    char target[300];
};

} // namespace

TEST_F(OverlayPrompt, EnterCommitsTextPaddedWithNulsAndRunsCallback) {
    // Closed, the prompt passes every key on.
    for (int key : {0, 8, 13, 27, 97, 100, 255, 356}) EXPECT_EQ(PromptKey(key), 0);
    EXPECT_EQ(PromptActive, 0);

    StartPrompt("Name:", target, 8, CountDone);
    ASSERT_EQ(PromptActive, 1);
    EXPECT_STREQ(PromptLabel, "Name:");
    Type("ab\tc"); // control characters are typed like any other
    EXPECT_EQ(PromptKey(13), 1);
    EXPECT_EQ(DoneCalls, 1);
    EXPECT_EQ(memcmp(target, "ab\tc\0\0\0\0", 8), 0);
    EXPECT_EQ(target[8], '#'); // exactly maxLen bytes written
    EXPECT_EQ(PromptActive, 0);
    EXPECT_STREQ(PromptText, "");
    EXPECT_STREQ(PromptLabel, "");
    EXPECT_EQ(PromptTarget, nullptr);
    EXPECT_EQ(PromptDone, nullptr);

    // Enter on empty text runs the callback but leaves the target.
    memset(target, '#', sizeof target);
    StartPrompt("x", target, 16, CountDone);
    Type("q");
    PromptKey(8);
    EXPECT_EQ(PromptKey(13), 1);
    EXPECT_EQ(DoneCalls, 2);
    EXPECT_EQ(target[0], '#');
    EXPECT_EQ(PromptActive, 0);
    // A null callback is allowed.
    StartPrompt("x", target, 16, nullptr);
    Type("z");
    EXPECT_EQ(PromptKey(13), 1);
    EXPECT_EQ(target[0], 'z');
}

TEST_F(OverlayPrompt, EscapeCancelsWithoutWritingOrCallbackBackspaceErases) {
    StartPrompt("x", target, 16, CountDone);
    Type("abc");
    EXPECT_EQ(PromptKey(27), 1);
    EXPECT_EQ(PromptActive, 0);
    EXPECT_EQ(DoneCalls, 0);
    EXPECT_EQ(target[0], '#');
    EXPECT_STREQ(PromptText, "");
    EXPECT_EQ(PromptKey('a'), 0);

    // Backspace, and key codes whose low byte is 0.
    StartPrompt("x", target, 16, nullptr);
    EXPECT_EQ(PromptKey(8), 1); // on empty text: nothing, still open
    EXPECT_EQ(PromptActive, 1);
    Type("abc");
    PromptKey(8);
    EXPECT_STREQ(PromptText, "ab");
    EXPECT_EQ(PromptKey(0), 1);
    EXPECT_EQ(PromptKey(256), 1); // low byte 0
    EXPECT_STREQ(PromptText, "ab");
    // Special keys' codes count by their low byte: left arrow types 'd',
    // F8 (8) erases.
    PromptKey(100);
    EXPECT_STREQ(PromptText, "abd");
    PromptKey(8 + 256);
    EXPECT_STREQ(PromptText, "ab");
}

TEST_F(OverlayPrompt, LengthLimitsRefuseWithCursorMark) {
    StartPrompt("x", target, 1, CountDone);
    ASSERT_EQ(PromptActive, 1);
    EXPECT_EQ(PromptKey('a'), 1);
    EXPECT_STREQ(PromptText, "");
    EXPECT_STREQ(PromptCursor, "<");
    PromptKey(8); // the next key turns the cursor back
    EXPECT_STREQ(PromptCursor, "_");
    PromptKey(27);

    StartPrompt("x", target, 64, nullptr);
    Type(std::string(62, 'a'));
    PromptKey('b'); // 63rd accepted
    EXPECT_EQ(strlen(PromptText), 63u);
    EXPECT_STREQ(PromptCursor, "_");
    PromptKey('c'); // 64th refused
    EXPECT_EQ(strlen(PromptText), 63u);
    EXPECT_EQ(PromptText[62], 'b');
    EXPECT_STREQ(PromptCursor, "<");
    PromptKey(13);
    EXPECT_EQ(strlen(target), 63u);
}

TEST_F(OverlayPrompt, StartLengthChecksSecondStartIgnoredAndLongLabelCut) {
    testing::internal::CaptureStdout();
    StartPrompt("x", target, 0, CountDone);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Input LEN is too short\n");
    EXPECT_EQ(PromptActive, 0);

    testing::internal::CaptureStdout();
    StartPrompt("first", target, 1000, CountDone);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Input LEN is limited by CON_MAX_INPUT_LEN (256)\n");
    EXPECT_EQ(PromptMaxLen, 256);
    Type(std::string(300, 'k'));
    EXPECT_EQ(strlen(PromptText), 255u);

    char other[8];
    StartPrompt("second", other, 4, nullptr);
    EXPECT_STREQ(PromptLabel, "first");
    EXPECT_EQ(PromptMaxLen, 256);
    EXPECT_EQ(PromptTarget, target);
    EXPECT_EQ(PromptDone, CountDone);

    PromptKey(13);
    EXPECT_EQ(strlen(target), 255u);
    EXPECT_EQ(DoneCalls, 1);

    std::string label(400, 'L'); // a long label is cut
    StartPrompt(label.c_str(), target, 4, nullptr);
    EXPECT_EQ(strlen(PromptLabel), 255u);
}

namespace {
char ChainTarget[16];
void OpenAnotherPrompt() { StartPrompt("again", ChainTarget, 16, nullptr); }
} // namespace

TEST_F(OverlayPrompt, CallbackMayOpenTheNextPrompt) {
    StartPrompt("first", target, 16, OpenAnotherPrompt);
    Type("x");
    PromptKey(13);
    EXPECT_EQ(PromptActive, 1);
    EXPECT_STREQ(PromptLabel, "again");
    EXPECT_EQ(PromptTarget, ChainTarget);
}

TEST_F(OverlayPrompt, AskBoneNameRenamesTheSelectedBone) {
    CoreGlobals saved;
    SaveCoreGlobals(&saved);

    SkelModel empty;
    CurrentModel = &empty;
    AskBoneName(); // no bone: no prompt
    EXPECT_EQ(PromptActive, 0);
    CurrentModel = nullptr;
    AskBoneName();
    EXPECT_EQ(PromptActive, 0);

    SkelModel model;
    SetBoneChain(&model, {"root", "arm"});
    CurrentModel = &model;
    SelectedBone = 1;
    AskBoneName();
    ASSERT_EQ(PromptActive, 1);
    EXPECT_STREQ(PromptLabel, "Introduce New Bone Name: (ESC to cancel)");
    EXPECT_EQ(PromptMaxLen, 64);
    SelectedBone = 0; // the target was fixed when the prompt opened
    Type(std::string(70, 'n'));
    testing::internal::CaptureStdout();
    PromptKey(13);
    std::string listed = testing::internal::GetCapturedStdout();
    // The bone names are listed again, with the new one.
    EXPECT_NE(listed.find("New BONE NAMES list:\nroot\n" + std::string(63, 'n') + "\n"),
              std::string::npos);
    EXPECT_EQ(std::string(model.bones[1].name), std::string(63, 'n'));
    EXPECT_STREQ(model.bones[0].name, "root");
    RestoreCoreGlobals(saved);
}
