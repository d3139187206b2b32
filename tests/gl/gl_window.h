// One GLUT set-up for every GL test file: each file keeps its own window,
// created on first use, in the test binary's single GLUT session; and the two
// ways the tests look at what was drawn, GL feedback and pixel reads.
#pragma once
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

// Initialises GLUT once per process (RGBA, double-buffered, depth), then makes
// *window current, creating it first at w x h with the given title. Frames are
// drawn by the tests themselves, so the display callback does nothing.
inline int OpenGLTestWindow(int* window, const char* title, int w, int h) {
    if (!glutGet(GLUT_INIT_STATE)) {
        int argc = 1;
        char name[] = "boneloom_gl_tests";
        char* argv[] = {name, nullptr};
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
        glutInit(&argc, argv);
    }
    if (!*window) {
        glutInitWindowSize(w, h);
        *window = glutCreateWindow(title);
        glutDisplayFunc([] {});
    }
    glutSetWindow(*window);
    return *window;
}

// One primitive as GL feedback (GL_3D_COLOR) gives it: polygons, lines (a
// line reset counts as a line), or a single raster position for points,
// bitmaps and pixel rectangles. Each vertex is window x, y, depth, r, g, b, a.
struct FeedbackPrim {
    GLenum kind;
    std::vector<std::array<float, 7>> v;
};

inline std::vector<FeedbackPrim> CaptureFeedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buf(1 << 18);
    glFeedbackBuffer((GLsizei)buf.size(), GL_3D_COLOR, buf.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    GLint n = glRenderMode(GL_RENDER);
    EXPECT_GE(n, 0) << "feedback buffer overflow";
    std::vector<FeedbackPrim> prims;
    for (GLint i = 0; i < n;) {
        FeedbackPrim p{(GLenum)buf[i++], {}};
        int count = 1;
        if (p.kind == GL_POLYGON_TOKEN) {
            count = (int)buf[i++];
        } else if (p.kind == GL_LINE_TOKEN || p.kind == GL_LINE_RESET_TOKEN) {
            p.kind = GL_LINE_TOKEN;
            count = 2;
        } else if (p.kind == GL_PASS_THROUGH_TOKEN) {
            i += 1;
            continue;
        } else if (p.kind != GL_POINT_TOKEN && p.kind != GL_BITMAP_TOKEN &&
                   p.kind != GL_DRAW_PIXEL_TOKEN && p.kind != GL_COPY_PIXEL_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << p.kind;
            break;
        }
        for (int k = 0; k < count; k++, i += 7) {
            std::array<float, 7> v;
            std::copy(&buf[i], &buf[i + 7], v.begin());
            p.v.push_back(v);
        }
        prims.push_back(p);
    }
    return prims;
}

// The back buffer's lower-left w x h pixels as RGB, bottom row first.
inline std::vector<unsigned char> ReadWindowRGB(int w, int h) {
    glFinish();
    std::vector<unsigned char> px((size_t)w * h * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    return px;
}

// The smallest rectangle holding every pixel that is not black, and their count.
struct LitArea {
    int minX, minY, maxX, maxY, count;
};
inline LitArea FindLit(const std::vector<unsigned char>& px, int w, int h) {
    LitArea a = {w, h, -1, -1, 0};
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const unsigned char* p = &px[((size_t)y * w + x) * 3];
            if (!(p[0] | p[1] | p[2])) continue;
            a.count++;
            a.minX = std::min(a.minX, x), a.maxX = std::max(a.maxX, x);
            a.minY = std::min(a.minY, y), a.maxY = std::max(a.maxY, y);
        }
    return a;
}
