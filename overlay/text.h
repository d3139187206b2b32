// Bitmap text over the 3D scene: one string at a point, text broken into lines
// that fit the window (with a prompt mode that marks lines and shows a blinking
// cursor), and printf-style overlay text. Owns the cursor's blink state.
// Positions are normalised window coordinates: (0, 0) bottom left, (1, 1) top
// right, at the baseline of the first character. Colours are RGB floats 0..1.
#pragma once

// Longest text the wrapping code handles: a prompt's 255 characters plus its
// one-character cursor. Line and word buffers hold this many plus a NUL.
constexpr int TEXT_MAX_CHARS = 256;
constexpr int TEXT_BUFFER_LEN = TEXT_MAX_CHARS + 1;

extern const char* PromptCursor; // cursor in the blink's on phase: "_", or "<" after a refused key
extern int CursorOn;             // blink phase, 0 or 1; 0 at start
extern float CursorToggleTime;   // seconds since start at the last phase change; 0 at start

// Draws text in a GLUT bitmap font with colour (r, g, b) at (x, y). Lighting,
// texturing, depth test, both matrices and the matrix mode are as before the
// call; the current colour is left at (r, g, b).
void DrawBitmapString(const char* text, void* font, float r, float g, float b, float x, float y);

// Draws an optional one-line label (may be null), then text broken at its
// blanks into lines that fit right of x, from one line pitch below y downwards,
// white, in Helvetica 10. promptMode nonzero: each line gets a ">" marker at x,
// the text moves right by 0.02 and the blinking cursor follows it. text is not
// changed (texts longer than TEXT_MAX_CHARS are drawn cut to that length).
void DrawWrappedText(const char* label, char* text, float x, float y, int promptMode);

// printf-style text (cut to 255 characters) drawn with DrawWrappedText,
// without label and without prompt mode.
void PrintOverlay(float x, float y, const char* format, ...) __attribute__((format(printf, 3, 4)));

// DrawWrappedText and PrintOverlay in a GLUT bitmap font the caller chooses
// (the two above use Helvetica 10): lines are measured in that font.
void DrawWrappedTextIn(void* font, const char* label, char* text, float x, float y, int promptMode);
void PrintOverlayIn(void* font, float x, float y, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Fills line (TEXT_BUFFER_LEN bytes) with whole words of src, each with the
// blanks after it, while the line holds fewer than maxChars characters (capped
// at TEXT_MAX_CHARS). Returns the length of what follows the words taken.
int FillLine(const char* src, char* line, int maxChars);

// Copies the first word of src (up to a space) and the spaces after it into
// word (TEXT_BUFFER_LEN bytes; at most TEXT_MAX_CHARS characters are taken).
// Returns the length of what follows in src.
int CopyWord(const char* src, char* word);

// Characters per wrapped line for a window W pixels wide, text starting at x,
// and a text of textLength characters that is textPixels wide. Never below 1.
int CharsPerLine(int windowWidth, float x, int textPixels, int textLength);

// Returns the blink phase (0 or 1), flipping it first when more than half a
// second has passed since the last flip. Needs GLUT initialised.
int BlinkCursor();
