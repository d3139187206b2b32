// Overlay text in a real OpenGL context: where glyphs land (GL feedback gives
// the raster position of every glyph), their colour on screen, the GL state
// left behind, and the heads-up display and prompt laid out through it.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/gl/gl_window.h"
#include "model/model.h"
#include "overlay/hud.h"
#include "overlay/prompt.h"
#include "overlay/text.h"
#include "tests/unit/test_session_globals.h"
#include "tests/unit/test_skeleton.h"
#include "session/session.h"

namespace {

int OverlayWindow = 0;

// Opens (once) the test window and sizes it to w x h pixels.
void OpenOverlayWindow(int w, int h) {
    OpenGLTestWindow(&OverlayWindow, "overlay test", w, h);
    if (glutGet(GLUT_WINDOW_WIDTH) != w || glutGet(GLUT_WINDOW_HEIGHT) != h) {
        glutReshapeWindow(w, h);
        for (int i = 0; i < 200; i++) {
            glutMainLoopEvent();
            if (glutGet(GLUT_WINDOW_WIDTH) == w && glutGet(GLUT_WINDOW_HEIGHT) == h) break;
            glutSetWindow(OverlayWindow);
        }
    }
    glutSetWindow(OverlayWindow);
    ASSERT_EQ(glutGet(GLUT_WINDOW_WIDTH), w);
    ASSERT_EQ(glutGet(GLUT_WINDOW_HEIGHT), h);
    glViewport(0, 0, w, h);
}

struct Glyph {
    float x, y; // raster position in window pixels
};

// Raster positions of every glyph drawn by draw, in drawing order; text
// draws nothing else.
std::vector<Glyph> CaptureGlyphs(const std::function<void()>& draw) {
    std::vector<Glyph> glyphs;
    for (const FeedbackPrim& p : CaptureFeedback(draw)) {
        EXPECT_TRUE(p.kind == GL_BITMAP_TOKEN || p.kind == GL_DRAW_PIXEL_TOKEN) << p.kind;
        glyphs.push_back({p.v[0][0], p.v[0][1]});
    }
    return glyphs;
}

// Groups glyphs into lines by baseline, top line first: y -> count.
std::map<float, int, std::greater<float>> Lines(const std::vector<Glyph>& glyphs) {
    std::map<float, int, std::greater<float>> lines;
    for (const Glyph& g : glyphs) lines[g.y]++;
    return lines;
}

std::vector<float> Baselines(const std::vector<Glyph>& glyphs) {
    std::vector<float> ys;
    for (auto& [y, n] : Lines(glyphs)) ys.push_back(y);
    return ys;
}

int Pitch() { return 2 * glutBitmapLength(GLUT_BITMAP_HELVETICA_10, (const unsigned char*)"A"); }

} // namespace

TEST(OverlayTextGL, BitmapStringDrawsWhiteAtItsBaselineOverTexturesAndDepth) {
    OpenOverlayWindow(640, 480);
    glClearColor(0, 0, 0, 1);
    // A red texture bound and enabled, as the logo leaves it, must not tint
    // the text; a depth buffer nearer than the text must not hide it.
    GLuint tex;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    unsigned char red[3] = {255, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);

    DrawBitmapString("HHHH", GLUT_BITMAP_HELVETICA_10, 1, 1, 1, 0.25f, 0.5f);
    std::vector<unsigned char> px = ReadWindowRGB(640, 480);
    for (size_t i = 0; i < px.size(); i += 3) {
        const unsigned char* p = &px[i];
        if (!(p[0] | p[1] | p[2])) continue;
        ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255)
            << "pixel " << i / 3 << " is " << (int)p[0] << "," << (int)p[1] << "," << (int)p[2];
    }
    LitArea lit = FindLit(px, 640, 480);
    ASSERT_GT(lit.count, 20);
    // Capital H stands on the baseline at y = 240 and starts at x = 160.
    EXPECT_NEAR(lit.minX, 160, 2);
    EXPECT_EQ(lit.minY, 240);
    EXPECT_LE(lit.maxY, 240 + 10);
    EXPECT_NEAR(lit.maxX - lit.minX + 1,
                glutBitmapLength(GLUT_BITMAP_HELVETICA_10, (const unsigned char*)"HHHH"), 3);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &tex);
}

TEST(OverlayTextGL, BitmapStringRestoresMatricesModeAndSwitches) {
    OpenOverlayWindow(640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3, 5, -2, 7, -1, 9);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glRotatef(30, 0, 1, 0);
    GLfloat projBefore[16], viewBefore[16], projAfter[16], viewAfter[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projBefore);
    glGetFloatv(GL_MODELVIEW_MATRIX, viewBefore);

    for (GLenum mode : {GL_MODELVIEW, GL_PROJECTION, GL_TEXTURE}) {
        SCOPED_TRACE(mode);
        glMatrixMode(mode);
        glEnable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glColor3f(0.1f, 0.2f, 0.3f);
        DrawBitmapString("abc", GLUT_BITMAP_HELVETICA_10, 0.5f, 0.25f, 1.0f, 0.1f, 0.1f);
        GLint modeAfter;
        glGetIntegerv(GL_MATRIX_MODE, &modeAfter);
        EXPECT_EQ((GLenum)modeAfter, mode);
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        glGetFloatv(GL_PROJECTION_MATRIX, projAfter);
        glGetFloatv(GL_MODELVIEW_MATRIX, viewAfter);
        EXPECT_EQ(memcmp(projBefore, projAfter, sizeof projAfter), 0);
        EXPECT_EQ(memcmp(viewBefore, viewAfter, sizeof viewAfter), 0);
        // The colour is left at the text's colour.
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[0], 0.5f);
        EXPECT_FLOAT_EQ(colour[1], 0.25f);
        EXPECT_FLOAT_EQ(colour[2], 1.0f);
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// DrawWrappedText and PrintOverlay: lines, pitch, label, and the ends of text
// too long for the line, the window or the buffer.
TEST(OverlayTextGL, WrappedTextLinesPitchLabelAndEnds) {
    OpenOverlayWindow(640, 480);
    const int pitch = Pitch();
    char empty[TEXT_BUFFER_LEN] = "";
    EXPECT_TRUE(CaptureGlyphs([&] { DrawWrappedText(nullptr, empty, 0.1f, 0.5f, 0); }).empty());

    // A label alone: one line, one pitch below y.
    std::vector<Glyph> g = CaptureGlyphs([&] { DrawWrappedText("Label", empty, 0.1f, 0.5f, 0); });
    ASSERT_EQ(g.size(), 5u);
    EXPECT_NEAR(g[0].x, 64.0f, 0.01f);
    EXPECT_NEAR(g[0].y, 240.0f - pitch, 0.01f);

    // A long text breaks into lines two "A" widths apart, every character drawn.
    std::string text;
    for (int i = 0; i < 30; i++) text += "word" + std::to_string(i) + " ";
    char buffer[TEXT_BUFFER_LEN];
    snprintf(buffer, sizeof buffer, "%s", text.c_str());
    g = CaptureGlyphs([&] { DrawWrappedText("Label", buffer, 0.1f, 0.9f, 0); });
    EXPECT_EQ(g.size(), 5 + text.size());
    std::vector<float> ys = Baselines(g);
    ASSERT_GE(ys.size(), 3u);
    for (size_t i = 0; i < ys.size(); i++) EXPECT_NEAR(ys[i], 432.0f - pitch * (i + 1), 0.01f);
    // Each text line starts at x, and ends well inside the window or with
    // a word that alone is too long.
    for (const Glyph& c : g) EXPECT_LT(c.x, 640.0f);
    EXPECT_EQ(text, std::string(buffer)); // the caller's text is not changed

    // A narrower window gives more lines at the same pixel pitch.
    OpenOverlayWindow(320, 240);
    std::vector<float> narrow =
        Baselines(CaptureGlyphs([&] { DrawWrappedText(nullptr, buffer, 0.1f, 0.9f, 0); }));
    EXPECT_GT(narrow.size(), ys.size() - 1);
    for (size_t i = 1; i < narrow.size(); i++) EXPECT_NEAR(narrow[i - 1] - narrow[i], pitch, 0.01f);

    // Narrower than one character: one word a line.
    OpenOverlayWindow(30, 200);
    snprintf(buffer, sizeof buffer, "one two three");
    g = CaptureGlyphs([&] { DrawWrappedText(nullptr, buffer, 0.0f, 1.0f, 0); });
    std::map<float, int, std::greater<float>> lines = Lines(g);
    ASSERT_EQ(lines.size(), 3u);
    std::vector<int> counts;
    for (auto& [y, n] : lines) counts.push_back(n);
    EXPECT_EQ(counts, (std::vector<int>{4, 4, 5}));
    // Characters without glyph width (tabs) end too.
    char tabs[TEXT_BUFFER_LEN] = "\t\t\t \t\t";
    OpenOverlayWindow(640, 480);
    g = CaptureGlyphs([&] { DrawWrappedText(nullptr, tabs, 0.0f, 1.0f, 0); });
    EXPECT_EQ(g.size(), strlen(tabs));

    // PrintOverlay formats, and cuts at 255 characters.
    g = CaptureGlyphs([] { PrintOverlay(0.02f, 0.5f, "Key: %s frame:%i", "L", 2); });
    EXPECT_EQ(g.size(), strlen("Key: L frame:2"));
    std::string many(300, 'm');
    for (size_t i = 10; i < many.size(); i += 11) many[i] = ' ';
    g = CaptureGlyphs([&] { PrintOverlay(0.02f, 0.9f, "%s", many.c_str()); });
    EXPECT_EQ(g.size(), 255u);
}

TEST(OverlayTextGL, PromptMarksLinesShowsABlinkingCursorAndDrawsOnlyWhenOpen) {
    OpenOverlayWindow(640, 480);
    const int pitch = Pitch();
    char empty[TEXT_BUFFER_LEN] = "";
    // Cursor on: label on line 1, then ">" at x and the cursor at x + 0.02.
    CursorOn = 1;
    CursorToggleTime = glutGet(GLUT_ELAPSED_TIME) * 0.001f + 1000.0f; // hold the phase
    PromptCursor = "_";
    std::vector<Glyph> g = CaptureGlyphs([&] { DrawWrappedText("Name:", empty, 0.02f, 1.0f, 1); });
    ASSERT_EQ(g.size(), 5u + 2u);
    EXPECT_NEAR(g[0].x, 0.04f * 640, 0.01f);
    EXPECT_NEAR(g[0].y, 480.0f - pitch, 0.01f);
    EXPECT_NEAR(g[5].x, 0.02f * 640, 0.01f); // ">"
    EXPECT_NEAR(g[5].y, 480.0f - 2 * pitch, 0.01f);
    EXPECT_NEAR(g[6].x, 0.04f * 640, 0.01f); // cursor
    EXPECT_EQ(empty[0], '\0');               // the cursor is gone again

    // A long prompt text: every line gets its marker.
    char text[TEXT_BUFFER_LEN];
    std::string s;
    while (s.size() < 240) s += "abcdefgh ";
    snprintf(text, sizeof text, "%s", s.c_str());
    g = CaptureGlyphs([&] { DrawWrappedText(nullptr, text, 0.02f, 1.0f, 1); });
    std::map<float, int, std::greater<float>> lines = Lines(g);
    ASSERT_GE(lines.size(), 2u);
    int markers = 0;
    for (const Glyph& c : g) markers += std::fabs(c.x - 0.02f * 640) < 0.01f;
    EXPECT_EQ(markers, (int)lines.size());
    EXPECT_EQ(g.size(), s.size() + 1 + lines.size());
    EXPECT_EQ(std::string(text), s);

    // The cursor flips after half a second.
    float now = glutGet(GLUT_ELAPSED_TIME) * 0.001f;
    CursorOn = 0;
    CursorToggleTime = now;
    EXPECT_EQ(BlinkCursor(), 0);
    CursorToggleTime = now - 0.6f;
    EXPECT_EQ(BlinkCursor(), 1);
    EXPECT_GE(CursorToggleTime, now);
    EXPECT_EQ(BlinkCursor(), 1);

    if (PromptActive) PromptKey(27);
    EXPECT_TRUE(CaptureGlyphs([] { DrawPrompt(); }).empty());
    char target[16];
    StartPrompt("Go:", target, 16, nullptr);
    PromptKey('h');
    PromptKey('i');
    g = CaptureGlyphs([] { DrawPrompt(); });
    EXPECT_EQ(g.size(), 3u + 1u + 3u); // label, ">", "hi" and the cursor
    EXPECT_STREQ(PromptText, "hi");
    PromptKey(27);
}

TEST(OverlayTextGL, HudLinesAndSelectedBone) {
    OpenOverlayWindow(640, 480);
    const int pitch = Pitch();
    CoreGlobals saved;
    SaveCoreGlobals(&saved);

    SkelModel model;
    SetBoneChain(&model, {"root", "left arm"});
    CurrentModel = &model;
    SelectedBone = 1;
    snprintf(FPSText, FPS_TEXT_LEN, "FPS: 60");

    std::vector<Glyph> g = CaptureGlyphs([] { DrawHUD(GLUT_BITMAP_HELVETICA_10, true); });
    std::map<float, int, std::greater<float>> lines = Lines(g);
    std::map<float, int, std::greater<float>> expected = {
        {0.12f * 480, (int)strlen("FPS: 60")},
        {0.09f * 480 - pitch, (int)strlen("Model: data/tris")},
        {0.06f * 480 - pitch, (int)strlen("Selected Bone: left arm")},
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (auto a = lines.begin(), e = expected.begin(); a != lines.end(); ++a, ++e) {
        EXPECT_NEAR(a->first, e->first, 0.01f);
        EXPECT_EQ(a->second, e->second);
    }
    for (const Glyph& c : g) {
        if (c.y == lines.begin()->first) {
            EXPECT_GE(c.x, 0.02f * 640 - 0.01f);
        }
    }

    // Without the frame rate the model lines stay where they were.
    std::vector<float> ys =
        Baselines(CaptureGlyphs([] { DrawHUD(GLUT_BITMAP_HELVETICA_10, false); }));
    ASSERT_EQ(ys.size(), 2u);
    EXPECT_NEAR(ys[0], 0.09f * 480 - pitch, 0.01f);
    EXPECT_NEAR(ys[1], 0.06f * 480 - pitch, 0.01f);

    // The caller's font sets the glyphs and the line pitch.
    ys = Baselines(CaptureGlyphs([] { DrawModelInfo(GLUT_BITMAP_HELVETICA_18); }));
    ASSERT_EQ(ys.size(), 2u);
    EXPECT_LT(ys[0], 0.09f * 480 - pitch - 1);

    // No bone at the selection: an empty name, nothing read past the bones.
    model.numbones = 0;
    model.bones.clear();
    g = CaptureGlyphs([] { DrawModelInfo(GLUT_BITMAP_HELVETICA_10); });
    EXPECT_EQ(g.size(), strlen("Model: data/tris") + strlen("Selected Bone: "));
    CurrentModel = nullptr;
    g = CaptureGlyphs([] { DrawModelInfo(GLUT_BITMAP_HELVETICA_10); });
    EXPECT_EQ(g.size(), strlen("Model: data/tris") + strlen("Selected Bone: "));

    RestoreCoreGlobals(saved);
    FPSText[0] = '\0';
}
