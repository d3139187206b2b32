// The logo shown in the 3D view: "logo.tga" from the working directory, an
// uncompressed true-colour TGA (type 2, 24 or 32 bits), loaded once into an
// OpenGL texture and drawn in the view's corner. Owns LogoTexture. Decoding
// is image/'s TGA decoder and the upload render/'s, as for skins.
#pragma once
#include <GL/gl.h>

#include <cstdint>
#include <string>

struct TGAImage {
    unsigned char* pixels; // RGB or RGBA, rows bottom first; malloc'd, owned by the record
    int32_t bpp;           // 24 or 32
    int32_t width;         // 1 .. 65535
    int32_t height;        // 1 .. 65535
    GLuint texid;          // texture object; 0 when none
};

extern TGAImage LogoTexture; // the logo of this run; zero when none loaded

// Reads a TGA file, decodes it and uploads it as a GL_TEXTURE_2D (bound on
// return). Only the logo's form is taken: no id field, no colour map, image
// type 2, origin fields 0 (either row order). Returns 1 on success; 0 on any
// failure, with image untouched, no texture object left behind and nothing
// printed. Needs a current GL context.
int LoadTGA(TGAImage* image, const char* path);

// LoadTGA, saying why when it matters: when path exists but is not a regular
// file (a FIFO, a pipe, a device) and does not load, *why (may be null) gets
// "is a FIFO: empty" and the like. A missing or damaged regular file leaves it
// empty, as the logo of a run is optional and silent.
int LoadTGAFrom(TGAImage* image, const char* path, std::string* why);

// Enables 2D texturing and loads "logo.tga" into LogoTexture, leaving it bound
// when it loads; prints a line when logo.tga is a FIFO or device that gives no
// image. Called once at the end of the main window's GL set-up.
void LoadLogoTexture();

// Draws the loaded logo, at most 64 px, in the bottom-right corner of the
// current viewport, over the scene; all GL state is restored. Nothing when no
// logo was loaded.
void DrawLogo();
