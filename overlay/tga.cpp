// Uncompressed true-colour TGA images: header checks and pixel decoding from
// memory (no GL), loading a file into a GL texture through that decoding, and
// drawing the logo in the corner of the 3D view. Owns LogoTexture.
#include "overlay/tga.h"

#include <GL/glu.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>

#include "model/file_io.h"

TGAImage LogoTexture = {};

// No id field, no colour map, image type 2, all colour-map fields zero,
// x and y origin 0.
static const unsigned char TGA_SIGNATURE[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

static const int LOGO_SIZE = 64;  // pixels, the logo's longer side on screen
static const int LOGO_MARGIN = 8; // pixels from the viewport's edges

int DecodeTGAHeader(const unsigned char* header, size_t size, int32_t* width, int32_t* height,
                    int32_t* bpp, const char** whyNot) {
    const char* reason = nullptr;
    int32_t w = 0, h = 0, depth = 0;
    if (size < 12) {
        reason = "file too short for a TGA header";
    } else if (header[2] != 2) {
        reason = "not an uncompressed true-colour image (type 2)";
    } else if (memcmp(header, TGA_SIGNATURE, sizeof TGA_SIGNATURE) != 0) {
        reason = "image id field, colour map or origin not supported";
    } else if (size < TGA_HEADER_LEN) {
        reason = "file too short for a TGA header";
    } else {
        w = header[13] * 256 + header[12];
        h = header[15] * 256 + header[14];
        depth = header[16];
        if (w == 0 || h == 0) {
            reason = "image width or height is 0";
        } else if (depth != 24 && depth != 32) {
            reason = "bits per pixel is not 24 or 32";
        } else if ((uint64_t)w * (uint64_t)h * (uint64_t)(depth / 8) > TGA_MAX_PIXEL_BYTES) {
            reason = "image too large";
        }
    }
    if (whyNot) *whyNot = reason;
    if (reason) return 0;
    *width = w;
    *height = h;
    *bpp = depth;
    return 1;
}

// BGR(A) to RGB(A) in place.
static void SwapRedBlue(unsigned char* pixels, size_t size, int bytesPerPixel) {
    for (size_t i = 0; i + 2 < size; i += bytesPerPixel) {
        unsigned char t = pixels[i];
        pixels[i] = pixels[i + 2];
        pixels[i + 2] = t;
    }
}

int DecodeTGA(const unsigned char* data, size_t size, TGAImage* image, const char** whyNot) {
    int32_t width, height, bpp;
    if (!DecodeTGAHeader(data, size, &width, &height, &bpp, whyNot)) return 0;
    size_t pixelBytes = (size_t)width * (size_t)height * (size_t)(bpp / 8);
    if (pixelBytes > size - TGA_HEADER_LEN) {
        if (whyNot) *whyNot = "pixel data cut short";
        return 0;
    }
    unsigned char* pixels = (unsigned char*)malloc(pixelBytes);
    if (!pixels) {
        if (whyNot) *whyNot = "out of memory";
        return 0;
    }
    memcpy(pixels, data + TGA_HEADER_LEN, pixelBytes);
    SwapRedBlue(pixels, pixelBytes, bpp / 8);
    image->pixels = pixels;
    image->bpp = bpp;
    image->width = width;
    image->height = height;
    return 1;
}

// The bytes decoding looks at: the header and, when the header is sound, the
// pixel bytes it announces; trailing data (TGA 2.0 footers and extension
// areas) is not read. The file is opened so that a FIFO without a writer
// cannot block; a pipe or device gives at most the bytes the header announces,
// which the header check bounds. A regular file too short for its pixels gives
// only its header, with no room made for them. *mode gets the file's type bits
// once it is open. False, with *whyNot, when the file cannot be opened, is
// empty, or there is no memory for its pixels.
static bool ReadTGABytes(const char* path, std::vector<unsigned char>* bytes, const char** whyNot,
                         mode_t* mode) {
    int fd;
    struct stat info;
    std::string openWhy;
    if (!OpenForReading(path, &fd, &info, &openWhy)) {
        *whyNot = "cannot be opened";
        return false;
    }
    *mode = info.st_mode;
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        *whyNot = "cannot be opened";
        return false;
    }
    bytes->resize(TGA_HEADER_LEN);
    bytes->resize(fread(bytes->data(), 1, TGA_HEADER_LEN, file));
    int32_t width = 0, height = 0, bpp = 0;
    bool ok = true;
    if (bytes->empty()) {
        *whyNot = "empty";
        ok = false;
    } else if (DecodeTGAHeader(bytes->data(), bytes->size(), &width, &height, &bpp, nullptr)) {
        size_t pixelBytes = (size_t)width * (size_t)height * (size_t)(bpp / 8);
        if (!S_ISREG(info.st_mode) || (uint64_t)info.st_size - TGA_HEADER_LEN >= pixelBytes) {
            try {
                bytes->resize(TGA_HEADER_LEN + pixelBytes);
            } catch (const std::bad_alloc&) {
                *whyNot = "out of memory";
                ok = false;
            }
            if (ok) {
                size_t got = fread(bytes->data() + TGA_HEADER_LEN, 1, pixelBytes, file);
                bytes->resize(TGA_HEADER_LEN + got);
            }
        }
    }
    fclose(file);
    return ok;
}

// A file's bytes go through DecodeTGA, the decoder the fuzzer drives; they are
// let go before the caller uploads the pixels.
static int ReadTGAFileAs(const char* path, TGAImage* image, const char** whyNot, mode_t* mode) {
    std::vector<unsigned char> bytes;
    if (!ReadTGABytes(path, &bytes, whyNot, mode)) return 0;
    return DecodeTGA(bytes.data(), bytes.size(), image, whyNot);
}

int ReadTGAFile(const char* path, TGAImage* image, const char** whyNot) {
    const char* unused = nullptr;
    mode_t mode = 0;
    return ReadTGAFileAs(path, image, whyNot ? whyNot : &unused, &mode);
}

GLuint UploadTGATexture(const TGAImage* image, const char** whyNot) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (image->width > maxSize || image->height > maxSize) {
        if (whyNot) *whyNot = "larger than the OpenGL driver's largest texture";
        return 0;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    while (glGetError() != GL_NO_ERROR) {
    }
    GLenum format = image->bpp == 24 ? GL_RGB : GL_RGBA;
    GLuint texid = 0;
    glGenTextures(1, &texid);
    glBindTexture(GL_TEXTURE_2D, texid);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Rows are packed tightly; with the default 4-byte alignment GL would read
    // past the end of a 24-bit image whose row is not a multiple of 4 bytes.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, format, image->width, image->height, 0, format, GL_UNSIGNED_BYTE,
                 image->pixels);
    glPopClientAttrib();
    if (glGetError() != GL_NO_ERROR) {
        glBindTexture(GL_TEXTURE_2D, (GLuint)previous);
        glDeleteTextures(1, &texid);
        if (whyNot) *whyNot = "refused by OpenGL";
        return 0;
    }
    return texid;
}

int LoadTGA(TGAImage* image, const char* path) { return LoadTGAFrom(image, path, nullptr); }

int LoadTGAFrom(TGAImage* image, const char* path, std::string* why) {
    TGAImage loaded = {};
    const char* whyNot = "unreadable";
    mode_t mode = 0;
    if (!ReadTGAFileAs(path, &loaded, &whyNot, &mode)) {
        // A missing or damaged regular file stays silent: the logo is optional.
        if (why && mode != 0 && !S_ISREG(mode))
            *why = std::string("is ") + FileKindName(mode) + ": " + whyNot;
        return 0;
    }
    loaded.texid = UploadTGATexture(&loaded, nullptr);
    if (loaded.texid == 0) {
        free(loaded.pixels);
        return 0;
    }
    *image = loaded;
    return 1;
}

static bool IsFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string FindSkinTexture(const char* skinname, const char* dir) {
    std::string name(skinname, strnlen(skinname, NAME_LEN));
    if (name.empty()) return "";
    std::string folder = dir ? dir : "";
    if (!folder.empty() && folder.back() != '/') folder += '/';
    for (const std::string& base : {folder, std::string()}) {
        if (IsFile(base + name)) return base + name;
        if (IsFile(base + name + ".tga")) return base + name + ".tga";
        if (folder.empty()) break;
    }
    return "";
}

void LoadSkinTextures(const SkelModel* model, const char* dir, std::vector<uint32_t>* textures,
                      std::vector<std::string>* problems) {
    textures->clear();
    if (!model) return;
    int32_t count = UsableMeshes(model);
    textures->assign((size_t)count, 0);
    // Meshes often share a skin: each name is looked up and loaded once.
    std::map<std::string, GLuint> loaded;
    for (int32_t m = 0; m < count; m++) {
        const char* skin = model->meshes[m].skinname;
        std::string name(skin, strnlen(skin, NAME_LEN));
        if (name.empty()) continue;
        auto known = loaded.find(name);
        if (known != loaded.end()) {
            (*textures)[m] = known->second;
            continue;
        }
        GLuint texid = 0;
        std::string path = FindSkinTexture(skin, dir);
        const char* why = nullptr;
        if (path.empty()) {
            std::string folder = dir && *dir ? std::string(dir) : std::string(".");
            path = (folder.back() == '/' ? folder : folder + "/") + name +
                   (name.size() > 4 && EndsWith(name, ".tga") ? "" : ".tga");
            why = "no such file (nor in the working directory)";
        } else {
            TGAImage image = {};
            if (ReadTGAFile(path.c_str(), &image, &why)) {
                texid = UploadTGATexture(&image, &why);
                free(image.pixels);
            }
        }
        if (texid == 0 && problems) problems->push_back("Texture " + path + ": " + why);
        loaded[name] = texid;
        (*textures)[m] = texid;
    }
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
