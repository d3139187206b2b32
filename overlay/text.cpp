// Bitmap text over the scene in normalised window coordinates, word wrapping,
// and the blinking cursor of the prompt mode. Owns PromptCursor, CursorOn and
// CursorToggleTime.
#include "overlay/text.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

const char* PromptCursor = "_";
int CursorOn = 0;
float CursorToggleTime = 0.0f;

static void* const OVERLAY_FONT = GLUT_BITMAP_HELVETICA_10;

void DrawBitmapString(const char* text, void* font, float r, float g, float b, float x, float y) {
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, 1, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // Text sits over the scene: unlit, untextured (the logo stays bound and
    // would tint the glyphs) and never hidden behind geometry.
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3f(r, g, b);
    glRasterPos3f(x, y, 0);
    for (const char* c = text; *c; c++) glutBitmapCharacter(font, (unsigned char)*c);
    glPopAttrib();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(matrixMode);
}

int CopyWord(const char* src, char* word) {
    int n = 0;
    while (src[n] && src[n] != ' ' && n < TEXT_MAX_CHARS) n++;
    while (src[n] == ' ' && n < TEXT_MAX_CHARS) n++;
    memcpy(word, src, n);
    word[n] = '\0';
    return (int)strlen(src + n);
}

int FillLine(const char* src, char* line, int maxChars) {
    if (maxChars > TEXT_MAX_CHARS) maxChars = TEXT_MAX_CHARS;
    line[0] = '\0';
    const char* pos = src;
    int total = 0;
    char word[TEXT_BUFFER_LEN];
    while (*pos && total < maxChars) {
        CopyWord(pos, word);
        int len = (int)strlen(word);
        // Only a source longer than any text we draw gets here; the line
        // buffer ends the line rather than overflow.
        if (total + len > TEXT_MAX_CHARS) break;
        memcpy(line + total, word, len + 1);
        total += len;
        pos += len;
    }
    return (int)strlen(pos);
}

int CharsPerLine(int windowWidth, float x, int textPixels, int textLength) {
    if (textLength <= 0) return 1;
    int w1 = (int)(windowWidth * (1.0f - x));
    int lineWidth = (int)(w1 - (0.1f * w1 + 24));
    // A float average: glyphless characters (tabs, controls) have no width,
    // and an integer average could be 0 and divide by zero.
    float average = (float)textPixels / (float)textLength;
    if (average <= 0.0f || lineWidth <= 0) return 1;
    float chars = lineWidth / average;
    if (chars < 1.0f) return 1; // less than a character fits: one word a line
    if (chars > TEXT_MAX_CHARS) return TEXT_MAX_CHARS;
    return (int)chars;
}

int BlinkCursor() {
    float t = glutGet(GLUT_ELAPSED_TIME) * 0.001f;
    if (t - CursorToggleTime > 0.5f) {
        CursorToggleTime = t;
        CursorOn = !CursorOn;
    }
    return CursorOn;
}

void DrawWrappedTextIn(void* font, const char* label, char* text, float x, float y,
                       int promptMode) {
    // Work on a copy: the cursor is appended here, and a caller's text longer
    // than any line buffer is cut instead of overflowing one.
    char buffer[TEXT_BUFFER_LEN + 1];
    size_t length = strnlen(text, TEXT_MAX_CHARS);
    memcpy(buffer, text, length);
    buffer[length] = '\0';

    int windowHeight = glutGet(GLUT_WINDOW_HEIGHT);
    int windowWidth = glutGet(GLUT_WINDOW_WIDTH);
    if (windowHeight < 1) windowHeight = 1;

    // Lines lie two widths of "A" apart in pixels whatever the window height.
    int widthA = glutBitmapLength(font, (const unsigned char*)"A");
    float lineStep = 2.0f * widthA * 100.0f / windowHeight;

    int textPixels = length ? glutBitmapLength(font, (const unsigned char*)buffer) : 0;
    int charsPerLine = CharsPerLine(windowWidth, x, textPixels, (int)length);

    float markerX = x;
    if (promptMode) {
        x += 0.02f;
        const char* cursor = BlinkCursor() ? PromptCursor : " ";
        buffer[length] = cursor[0];
        buffer[length + 1] = '\0';
    }

    int lineNumber = 0;
    if (label) {
        lineNumber = 1;
        DrawBitmapString(label, font, 1, 1, 1, x, y - lineNumber * lineStep * 0.01f);
    }

    char line[TEXT_BUFFER_LEN];
    const char* rest = buffer;
    while (*rest) {
        FillLine(rest, line, charsPerLine);
        size_t taken = strlen(line);
        if (taken == 0) break;
        rest += taken;
        lineNumber++;
        float lineY = y - lineNumber * lineStep * 0.01f;
        if (promptMode) DrawBitmapString(">", font, 1, 1, 1, markerX, lineY);
        DrawBitmapString(line, font, 1, 1, 1, x, lineY);
    }
}

void DrawWrappedText(const char* label, char* text, float x, float y, int promptMode) {
    DrawWrappedTextIn(OVERLAY_FONT, label, text, x, y, promptMode);
}

static void PrintOverlayList(void* font, float x, float y, const char* format, va_list args) {
    char buffer[256];
    vsnprintf(buffer, sizeof buffer, format, args);
    DrawWrappedTextIn(font, nullptr, buffer, x, y, 0);
}

void PrintOverlay(float x, float y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintOverlayList(OVERLAY_FONT, x, y, format, args);
    va_end(args);
}

void PrintOverlayIn(void* font, float x, float y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    PrintOverlayList(font, x, y, format, args);
    va_end(args);
}
