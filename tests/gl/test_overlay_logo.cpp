// TGA files loaded into OpenGL textures, the logo's start-up load, and the
// logo drawn in the corner of the view.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/gl/gl_window.h"
#include "image/tga.h"
#include "overlay/logo.h"

namespace {

int TgaWindow = 0;

void OpenTgaWindow() { OpenGLTestWindow(&TgaWindow, "tga test", 320, 240); }

std::string WriteTemp(const std::vector<unsigned char>& bytes, const char* name) {
    std::string path = std::string(::testing::TempDir()) + name;
    FILE* f = fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return path;
}

std::vector<unsigned char> Pattern(int count) {
    std::vector<unsigned char> p(count);
    for (int i = 0; i < count; i++) p[i] = (unsigned char)(i * 37 + 11);
    return p;
}

// Texture names 1..200 that are texture objects now.
std::vector<GLuint> LiveTextures() {
    std::vector<GLuint> live;
    for (GLuint t = 1; t <= 200; t++)
        if (glIsTexture(t)) live.push_back(t);
    return live;
}

} // namespace

TEST(OverlayLogoGL, LoadsTrueColourTexturesWithPixelsInPlace) {
    OpenTgaWindow();
    struct Case {
        int w, h, bpp;
        GLint format;
    };
    // An odd width makes 24-bit rows that are not a multiple of four bytes.
    for (Case c : {Case{3, 5, 24, GL_RGB}, Case{5, 3, 32, GL_RGBA}, Case{1, 1, 24, GL_RGB}}) {
        SCOPED_TRACE(c.bpp);
        int n = c.bpp / 8;
        std::vector<unsigned char> pixels = Pattern(c.w * c.h * n);
        std::string path = WriteTemp(EncodeTGA(c.w, c.h, c.bpp, pixels.data()), "overlay_ok.tga");
        TGAImage image = {};
        ASSERT_EQ(LoadTGA(&image, path.c_str()), 1);
        EXPECT_EQ(image.width, c.w);
        EXPECT_EQ(image.height, c.h);
        EXPECT_EQ(image.bpp, c.bpp);
        ASSERT_NE(image.texid, 0u);
        ASSERT_NE(image.pixels, nullptr);
        EXPECT_EQ(memcmp(image.pixels, pixels.data(), pixels.size()), 0);

        GLint bound = 0, format = 0, w = 0, h = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ((GLuint)bound, image.texid);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
        GLfloat filter = 0;
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, (GLfloat)GL_LINEAR);
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
        EXPECT_EQ(filter, (GLfloat)GL_LINEAR);

        // The texture holds the file's rows in order, alpha kept.
        std::vector<unsigned char> back(pixels.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, n == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, back.data());
        EXPECT_EQ(back, pixels);
        GLint unpack = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
        EXPECT_EQ(unpack, 4); // the loader's packing is not left behind

        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &image.texid);
        free(image.pixels);
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(OverlayLogoGL, FailedLoadsLeaveNoTextureAndNoRecordChange) {
    OpenTgaWindow();
    std::vector<unsigned char> good = EncodeTGA(4, 4, 24, Pattern(48).data());
    // Every kind the decoder refuses is its own test's; here a file cut short,
    // one whose header announces 65535 x 65535 pixels, an empty and a missing one.
    std::vector<unsigned char> cut(good.begin(), good.end() - 1), huge = good;
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    // Skins may be run-length encoded; the logo keeps to its one form.
    std::vector<unsigned char> runs = {0, 0, 10, 0, 0, 0,  0, 0,    0, 0, 0,
                                       0, 1, 0,  1, 0, 24, 0, 0x80, 1, 2, 3};

    GLuint keep;
    glGenTextures(1, &keep);
    glBindTexture(GL_TEXTURE_2D, keep);
    std::vector<GLuint> before = LiveTextures();
    std::vector<std::string> paths = {
        WriteTemp(cut, "overlay_cut.tga"),
        WriteTemp(huge, "overlay_huge.tga"),
        WriteTemp({}, "overlay_empty.tga"),
        WriteTemp(runs, "overlay_runs.tga"),
        std::string(::testing::TempDir()) + "overlay_missing.tga",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        TGAImage image = {};
        EXPECT_EQ(LoadTGA(&image, path.c_str()), 0);
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.texid, 0u);
        EXPECT_EQ(image.width, 0);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ((GLuint)bound, keep);
    }
    EXPECT_EQ(LiveTextures(), before);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &keep);
}

TEST(OverlayLogoGL, LogoLoadsFromWorkingDirectoryAndDrawsInTheCorner) {
    OpenTgaWindow();
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    std::string dir = std::string(::testing::TempDir()) + "overlay_logo_dir";
    mkdir(dir.c_str(), 0755);
    remove((dir + "/logo.tga").c_str());
    ASSERT_EQ(chdir(dir.c_str()), 0);

    // No logo: texturing on, nothing bound, nothing drawn.
    LogoTexture = {};
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    LoadLogoTexture();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(LogoTexture.texid, 0u);
    glViewport(0, 0, 320, 240);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawLogo();
    std::vector<unsigned char> px = ReadWindowRGB(320, 240);
    ASSERT_EQ(FindLit(px, 320, 240).count, 0);

    // A 2 x 2 logo: first (bottom) row red, top row blue; stored top row
    // first (descriptor bit 5, rows swapped), it is the same picture.
    std::vector<unsigned char> rgba = {255, 0, 0,   255, 255, 0, 0,   255,
                                       0,   0, 255, 255, 0,   0, 255, 255};
    std::vector<unsigned char> file = EncodeTGA(2, 2, 32, rgba.data());
    std::vector<unsigned char> topFirst = file;
    topFirst[17] |= TGA_TOP_FIRST;
    std::copy(file.begin() + 18, file.begin() + 26, topFirst.begin() + 26);
    std::copy(file.begin() + 26, file.end(), topFirst.begin() + 18);
    WriteTemp(topFirst, "overlay_logo_dir/logo.tga");
    LoadLogoTexture();
    ASSERT_NE(LogoTexture.texid, 0u);
    EXPECT_EQ(memcmp(LogoTexture.pixels, rgba.data(), rgba.size()), 0);
    glDeleteTextures(1, &LogoTexture.texid);
    free(LogoTexture.pixels);
    LogoTexture = {};
    WriteTemp(file, "overlay_logo_dir/logo.tga");
    LoadLogoTexture();
    ASSERT_NE(LogoTexture.texid, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((GLuint)bound, LogoTexture.texid);
    ASSERT_EQ(chdir(saved), 0);

    // Drawn in a viewport above a control strip, in wireframe mode, with
    // texturing off and depth testing on: the logo is a filled textured quad
    // at the viewport's bottom right, and all that state comes back.
    glViewport(0, 40, 320, 200);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor3f(0.2f, 0.4f, 0.6f);
    GLfloat proj[16], projAfter[16];
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -5, 5);
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glMatrixMode(GL_MODELVIEW);
    DrawLogo();
    px = ReadWindowRGB(320, 240);
    auto at = [&](int x, int y) { return &px[(y * 320 + x) * 3]; };
    // The quad: 64 px square, its right and bottom edges inside the viewport.
    const LitArea logo = FindLit(px, 320, 240);
    const int minX = logo.minX, maxX = logo.maxX, minY = logo.minY, maxY = logo.maxY;
    EXPECT_EQ(maxX - minX + 1, 64);
    EXPECT_EQ(maxY - minY + 1, 64);
    EXPECT_GT(maxX, 320 - 20);
    EXPECT_LT(maxX, 320);
    EXPECT_GE(minY, 40);
    EXPECT_LT(minY, 40 + 20);
    // The file's first row at the bottom, unlit and untinted by the colour.
    const unsigned char* low = at((minX + maxX) / 2, minY + 16);
    const unsigned char* high = at((minX + maxX) / 2, maxY - 16);
    EXPECT_GT(low[0], 200);
    EXPECT_LT(low[2], 60);
    EXPECT_GT(high[2], 200);
    EXPECT_LT(high[0], 60);

    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint polygon[2];
    glGetIntegerv(GL_POLYGON_MODE, polygon);
    EXPECT_EQ(polygon[0], GL_LINE);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], 0.4f);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetFloatv(GL_PROJECTION_MATRIX, projAfter);
    EXPECT_EQ(memcmp(proj, projAfter, sizeof proj), 0);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glDeleteTextures(1, &LogoTexture.texid);
    free(LogoTexture.pixels);
    LogoTexture = {};
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
