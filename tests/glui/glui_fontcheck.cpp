// Checks the layer's built-in font metrics against freeglut's own, glyph by glyph,
// so that text measured without a window is the text GLUT draws.
#include <GL/freeglut.h>

#include <cstdio>

#include "glui/glui_core.h"

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    struct Font {
        const char* name;
        void* font;
    };
    const Font fonts[] = {
        {"Helvetica 10", GLUT_BITMAP_HELVETICA_10}, {"Helvetica 12", GLUT_BITMAP_HELVETICA_12},
        {"Helvetica 18", GLUT_BITMAP_HELVETICA_18}, {"8 by 13", GLUT_BITMAP_8_BY_13},
        {"9 by 15", GLUT_BITMAP_9_BY_15},           {"Times 10", GLUT_BITMAP_TIMES_ROMAN_10},
        {"Times 24", GLUT_BITMAP_TIMES_ROMAN_24}};
    int wrong = 0;
    for (const Font& f : fonts) {
        if (GluiFontHeight(f.font) != glutBitmapHeight(f.font)) {
            std::fprintf(stderr, "%s: height %d, freeglut %d\n", f.name, GluiFontHeight(f.font),
                         glutBitmapHeight(f.font));
            wrong++;
        }
        for (int c = 32; c <= 126; c++) {
            if (GluiCharWidth(f.font, (unsigned char)c) != glutBitmapWidth(f.font, c)) {
                std::fprintf(stderr, "%s: width of '%c' %d, freeglut %d\n", f.name, c,
                             GluiCharWidth(f.font, (unsigned char)c), glutBitmapWidth(f.font, c));
                wrong++;
            }
        }
    }
    if (wrong) return 1;
    std::printf("font metrics match freeglut\n");
    return 0;
}
