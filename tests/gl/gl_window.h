// One GLUT set-up for every GL test file: each file keeps its own window,
// created on first use, in the test binary's single GLUT session.
#pragma once
#include <GL/freeglut.h>

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
