// Texture upload: rows packed tightly, scaled to a power of two on drivers
// that need one, and skins loaded once per distinct name.
#include "render/texture.h"

#include <GL/glu.h>

#include <cstring>
#include <map>

namespace {

int32_t NearestPowerOfTwo(int32_t size, int32_t limit) {
    int32_t power = 1;
    while (power < size && power <= limit / 2) power *= 2;
    // Round down when the lower power is the nearer one.
    if (power > size && power / 2 >= 1 && size - power / 2 < power - size) power /= 2;
    return power;
}

int32_t LargestPowerOfTwo(int32_t limit) {
    int32_t power = 1;
    while (power <= limit / 2) power *= 2;
    return power;
}

// Whether the driver takes textures of any size: OpenGL 2.0 and up, or the
// extension that brought it.
bool DriverTakesAnySize() {
    const char* version = (const char*)glGetString(GL_VERSION);
    if (version && version[0] >= '2' && version[0] <= '9') return true;
    const char* extensions = (const char*)glGetString(GL_EXTENSIONS);
    return extensions && strstr(extensions, "GL_ARB_texture_non_power_of_two") != nullptr;
}

} // namespace

void TextureSizeFor(int32_t width, int32_t height, bool npot, int32_t maxSize, int32_t* outWidth,
                    int32_t* outHeight) {
    if (npot && width <= maxSize && height <= maxSize) {
        *outWidth = width;
        *outHeight = height;
        return;
    }
    int32_t limit = npot ? maxSize : LargestPowerOfTwo(maxSize);
    *outWidth = width <= limit && npot ? width : NearestPowerOfTwo(width, limit);
    *outHeight = height <= limit && npot ? height : NearestPowerOfTwo(height, limit);
}

GLuint UploadTexture(const Image* image, const char** whyNot) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (maxSize < 1 || image->width < 1 || image->height < 1 ||
        (image->channels != 3 && image->channels != 4)) {
        if (whyNot) *whyNot = "refused by OpenGL";
        return 0;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    while (glGetError() != GL_NO_ERROR) {
    }
    GLenum format = image->channels == 3 ? GL_RGB : GL_RGBA;
    int32_t width, height;
    TextureSizeFor(image->width, image->height, DriverTakesAnySize(), maxSize, &width, &height);
    // Rows are packed tightly; with the default 4-byte alignment GL would read
    // past the end of a 24-bit image whose row is not a multiple of 4 bytes.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> scaled;
    const uint8_t* pixels = image->pixels.data();
    bool ok = true;
    if (width != image->width || height != image->height) {
        scaled.resize((size_t)width * (size_t)height * (size_t)image->channels);
        ok = gluScaleImage(format, image->width, image->height, GL_UNSIGNED_BYTE, pixels, width,
                           height, GL_UNSIGNED_BYTE, scaled.data()) == 0;
        pixels = scaled.data();
    }
    GLuint texid = 0;
    if (ok) {
        glGenTextures(1, &texid);
        glBindTexture(GL_TEXTURE_2D, texid);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    }
    glPopClientAttrib();
    if (!ok || glGetError() != GL_NO_ERROR) {
        glBindTexture(GL_TEXTURE_2D, (GLuint)previous);
        if (texid) glDeleteTextures(1, &texid);
        if (whyNot) *whyNot = "refused by OpenGL";
        return 0;
    }
    return texid;
}

void LoadSkinTextures(const SkelModel* model, const SkinSearch* search,
                      std::vector<uint32_t>* textures, std::vector<std::string>* problems) {
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
        std::string path = FindSkinTexture(skin, search);
        const char* why = nullptr;
        if (path.empty()) {
            path = MissingSkinPath(skin, search);
            why = search && !search->texture_dirs.empty()
                      ? "no such file (nor in the texture folders or the working directory)"
                      : "no such file (nor in the working directory)";
        } else {
            Image image;
            if (ReadImageFile(path.c_str(), &image, &why)) texid = UploadTexture(&image, &why);
        }
        if (texid == 0 && problems) problems->push_back("Texture " + path + ": " + why);
        loaded[name] = texid;
        (*textures)[m] = texid;
    }
}
