// The on-screen text prompt: opening, key handling, drawing, and the ready-made
// bone rename. Owns the prompt state (PromptActive, PromptLabel, PromptText,
// PromptMaxLen, PromptTarget, PromptDone).
#include "overlay/prompt.h"

#include <cstdio>
#include <cstring>

#include "model/model.h"
#include "overlay/text.h"
#include "session/session.h"

int PromptActive = 0;
int PromptMaxLen = 0;
char PromptLabel[CON_MAX_INPUT_LEN] = "";
char PromptText[CON_MAX_INPUT_LEN + 1] = "";
char* PromptTarget = nullptr;
void (*PromptDone)() = nullptr;

static void ClosePrompt() {
    PromptDone = nullptr;
    PromptTarget = nullptr;
    PromptText[0] = '\0';
    PromptLabel[0] = '\0';
    PromptActive = 0;
}

void StartPrompt(const char* label, char* target, int maxLen, void (*onDone)()) {
    if (PromptActive == 1) return;
    if (maxLen < 1) {
        printf("Input LEN is too short\n");
        return;
    }
    if (maxLen > CON_MAX_INPUT_LEN) {
        printf("Input LEN is limited by CON_MAX_INPUT_LEN (%i)\n", CON_MAX_INPUT_LEN);
        maxLen = CON_MAX_INPUT_LEN;
    }
    PromptMaxLen = maxLen;
    snprintf(PromptLabel, sizeof PromptLabel, "%s", label ? label : "");
    PromptTarget = target;
    PromptDone = onDone;
    PromptActive = 1;
}

int PromptKey(int key) {
    if (PromptActive == 0) return 0;
    PromptCursor = "_";
    int c = key & 0xFF;
    size_t length = strlen(PromptText);
    switch (c) {
        case 0:
            return 1;
        case 27: // Escape: the target and the callback are left alone
            PromptText[0] = '\0';
            PromptActive = 0;
            return 1;
        case 13: { // Enter
            // The callback may open a new prompt; run it with the fields
            // taken out first so its prompt is not closed under it.
            if (PromptText[0] && PromptTarget) strncpy(PromptTarget, PromptText, PromptMaxLen);
            void (*done)() = PromptDone;
            ClosePrompt();
            if (done) done();
            return 1;
        }
        case 8: // Backspace
            if (length > 0) PromptText[length - 1] = '\0';
            return 1;
        default:
            if ((int)length + 2 > PromptMaxLen) {
                PromptCursor = "<";
            } else {
                PromptText[length] = (char)c;
                PromptText[length + 1] = '\0';
            }
            return 1;
    }
}

void DrawPrompt() {
    if (PromptActive == 1) DrawWrappedText(PromptLabel, PromptText, 0.02f, 1.0f, 1);
}

void AskBoneName() {
    int32_t bone = ClampSelectedBone();
    if (bone < 0) return;
    StartPrompt("Introduce New Bone Name: (ESC to cancel)", CurrentModel->bones[bone].name,
                NAME_LEN, ListBoneNames);
}
