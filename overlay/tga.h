// Loader for uncompressed true-colour TGA images (type 2, 24 or 32 bits per
// pixel) into OpenGL textures, and the logo shown in the 3D view. Owns
// LogoTexture. LoadTGA decodes a file's bytes with DecodeTGA, which is GL-free:
// the tests and the fuzzer run the viewer's own decoding.
#pragma once
#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

constexpr int TGA_HEADER_LEN = 18;
// Refuse images with more pixel bytes than this (the header allows ~16 GiB).
constexpr uint64_t TGA_MAX_PIXEL_BYTES = 64ull * 1024 * 1024;

struct TGAImage {
    unsigned char* pixels; // RGB or RGBA, rows in file order; malloc'd, owned by the record
    int32_t bpp;           // 24 or 32
    int32_t width;         // 1 .. 65535
    int32_t height;        // 1 .. 65535
    GLuint texid;          // texture object; 0 when none
};

extern TGAImage LogoTexture; // the logo of this run; zero when none loaded

// Checks an 18-byte header (size bytes available) and returns 1 with the
// image's size and depth, or 0 with a short reason in *whyNot (may be null).
int DecodeTGAHeader(const unsigned char* header, size_t size, int32_t* width, int32_t* height,
                    int32_t* bpp, const char** whyNot);

// Decodes a whole TGA file held in memory. On success returns 1 and fills
// image's pixels (malloc'd, RGB/RGBA), bpp, width and height, leaving texid
// alone; on failure returns 0, leaves image untouched and sets *whyNot.
int DecodeTGA(const unsigned char* data, size_t size, TGAImage* image, const char** whyNot);

// Reads a TGA file, decodes it with DecodeTGA into image and uploads it as a
// GL_TEXTURE_2D (bound on return). Returns 1 on success; 0 on any failure,
// with image untouched, no texture object left behind and nothing printed.
// Needs a current GL context.
int LoadTGA(TGAImage* image, const char* path);

// LoadTGA, saying why when it matters: when path exists but is not a regular
// file (a FIFO, a pipe, a device) and does not load, *why (may be null) gets
// "is a FIFO: empty" and the like. A missing or damaged regular file leaves it
// empty, as the logo of a run is optional and silent.
int LoadTGAFrom(TGAImage* image, const char* path, std::string* why);
// Reads a TGA file and decodes its bytes with DecodeTGA (GL-free). 1 on
// success, with image's pixels, bpp, width and height set; 0 with image
// untouched and *whyNot (may be null) saying what is wrong: cannot open, too
// short, unsupported, cut short.
int ReadTGAFile(const char* path, TGAImage* image, const char** whyNot);

// Uploads a decoded image as a new GL_TEXTURE_2D, left bound, with linear
// filtering. Returns the texture, or 0 (no texture left behind) when GL
// refuses it, *whyNot then saying why. Needs a current GL context.
GLuint UploadTGATexture(const TGAImage* image, const char** whyNot);

// The file a mesh's skin name stands for: the name itself, else the name +
// ".tga", first in dir (the model's folder; "" is the working directory),
// then in the working directory. Empty when none of them is a file.
std::string FindSkinTexture(const char* skinname, const char* dir);

// The texture of every mesh of model (0 where none) into *textures, one
// per mesh: each distinct skin name is looked up (FindSkinTexture), read and
// uploaded once. A skin whose file is missing or damaged leaves its meshes
// untextured and adds one line naming the file and the reason to *problems.
// Empty skin names are not looked up. Needs a current GL context.
void LoadSkinTextures(const SkelModel* model, const char* dir, std::vector<uint32_t>* textures,
                      std::vector<std::string>* problems);

// Enables 2D texturing and loads "logo.tga" into LogoTexture, leaving it bound
// when it loads; prints a line when logo.tga is a FIFO or device that gives no
// image. Called once at the end of the main window's GL set-up.
void LoadLogoTexture();

// Draws the loaded logo, at most 64 px, in the bottom-right corner of the
// current viewport, over the scene; all GL state is restored. Nothing when no
// logo was loaded.
void DrawLogo();
