// The logo: logo.tga read, checked for the logo's form, decoded and uploaded
// through the decoder and upload every texture uses, and drawn in the corner
// of the 3D view. Owns LogoTexture.
#include "overlay/logo.h"

#include <GL/glu.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/tga.h"
#include "model/file_io.h"
#include "render/texture.h"

TGAImage LogoTexture = {};

// No id field, no colour map, image type 2, all colour-map fields zero,
// x and y origin 0.
static const unsigned char TGA_SIGNATURE[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

static const int LOGO_SIZE = 64;  // pixels, the logo's longer side on screen
static const int LOGO_MARGIN = 8; // pixels from the viewport's edges

// The logo's own form of TGA, checked before decoding: the first 12 bytes
// as the logo has always been read (the descriptor's origin bit is honoured
// by the decoder).
static bool IsLogoTGA(const std::vector<uint8_t>& bytes, const char** whyNot) {
    if (bytes.size() < 12) {
        *whyNot = "file too short for a TGA header";
    } else if (bytes[2] != 2) {
        *whyNot = "not an uncompressed true-colour image (type 2)";
    } else if (memcmp(bytes.data(), TGA_SIGNATURE, sizeof TGA_SIGNATURE) != 0) {
        *whyNot = "image id field, colour map or origin not supported";
    } else {
        return true;
    }
    return false;
}

int LoadTGA(TGAImage* image, const char* path) { return LoadTGAFrom(image, path, nullptr); }

int LoadTGAFrom(TGAImage* image, const char* path, std::string* why) {
    std::vector<uint8_t> bytes;
    Image decoded;
    const char* whyNot = "unreadable";
    mode_t mode = 0;
    if (!ReadImageBytes(path, &bytes, &whyNot, &mode) || !IsLogoTGA(bytes, &whyNot) ||
        !DecodeTGA(bytes.data(), bytes.size(), &decoded, &whyNot)) {
        // A missing or damaged regular file stays silent: the logo is optional.
        if (why && mode != 0 && !S_ISREG(mode))
            *why = std::string("is ") + FileKindName(mode) + ": " + whyNot;
        return 0;
    }
    bytes = std::vector<uint8_t>();
    unsigned char* pixels = (unsigned char*)malloc(decoded.pixels.size());
    if (!pixels) return 0;
    memcpy(pixels, decoded.pixels.data(), decoded.pixels.size());
    GLuint texid = UploadTexture(&decoded, nullptr);
    if (texid == 0) {
        free(pixels);
        return 0;
    }
    image->pixels = pixels;
    image->bpp = decoded.channels * 8;
    image->width = decoded.width;
    image->height = decoded.height;
    image->texid = texid;
    return 1;
}

void LoadLogoTexture() {
    glEnable(GL_TEXTURE_2D);
    std::string why;
    if (LoadTGAFrom(&LogoTexture, "logo.tga", &why))
        glBindTexture(GL_TEXTURE_2D, LogoTexture.texid);
    else if (!why.empty())
        printf("logo.tga %s; no logo\n", why.c_str());
}

void DrawLogo() {
    if (LogoTexture.texid == 0 || LogoTexture.width <= 0 || LogoTexture.height <= 0) return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);

    // The longer side is LOGO_SIZE pixels; the image keeps its proportions.
    float scale =
        (float)LOGO_SIZE /
        (float)(LogoTexture.width > LogoTexture.height ? LogoTexture.width : LogoTexture.height);
    float w = LogoTexture.width * scale;
    float h = LogoTexture.height * scale;
    float right = (float)viewport[2] - LOGO_MARGIN;
    float left = right - w;
    float bottom = LOGO_MARGIN;
    float top = bottom + h;

    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, viewport[2], 0, viewport[3]);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT | GL_POLYGON_BIT |
                 GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); // also in wireframe mode
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, LogoTexture.texid);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (LogoTexture.bpp == 32) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glColor4f(1, 1, 1, 1);
    // The file's first row is the texture's bottom row (t = 0).
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(left, bottom);
    glTexCoord2f(1, 0);
    glVertex2f(right, bottom);
    glTexCoord2f(1, 1);
    glVertex2f(right, top);
    glTexCoord2f(0, 1);
    glVertex2f(left, top);
    glEnd();
    glPopAttrib();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(matrixMode);
}
