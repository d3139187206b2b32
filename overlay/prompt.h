// The on-screen text prompt: a label and a one-line text input drawn at the
// top left of the main window that takes every released key while it is open.
// Owns the prompt's state: whether it is open, its label, text, target buffer
// and completion callback.
#pragma once

constexpr int CON_MAX_INPUT_LEN = 256; // the largest maximum length a prompt may have

extern int PromptActive;                    // 1 while a prompt is open
extern int PromptMaxLen;                    // maximum length of the last start, 1..256
extern char PromptLabel[CON_MAX_INPUT_LEN]; // at most 255 characters
// Text typed so far: at most PromptMaxLen - 1 characters; empty when closed.
extern char PromptText[CON_MAX_INPUT_LEN + 1];
extern char* PromptTarget;   // receives the committed text
extern void (*PromptDone)(); // run on Enter; may be null

// Opens a prompt with a label, a target buffer of at least maxLen bytes and a
// completion callback (may be null). Ignored while a prompt is open; a maxLen
// below 1 opens nothing, one above CON_MAX_INPUT_LEN is cut to it (both print).
void StartPrompt(const char* label, char* target, int maxLen, void (*onDone)());

// Offers a released key (low 8 bits count) to the prompt. Returns 1 when the
// prompt consumed it, 0 when no prompt is open and the caller handles the key.
// Escape cancels, Enter commits (the text and NULs, PromptMaxLen bytes) and
// runs the callback, Backspace removes, anything else but 0 is typed.
int PromptKey(int key);

// Draws the open prompt over the scene; nothing when none is open.
void DrawPrompt();

// Opens the prompt to rename the selected bone of CurrentModel, then list the
// bone names again. Does nothing when the model has no bone.
void AskBoneName();
