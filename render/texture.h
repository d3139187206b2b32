// Decoded images into OpenGL textures, and the textures of a model's skins.
// Needs a current GL context; holds no state.
#pragma once
#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"
#include "model/model.h"
#include "render/skin_files.h"

// The size a texture of width x height is uploaded at: as it is when the
// driver takes any size (npot) and it fits maxSize, else each side the
// power of two nearest to it, at most maxSize (the largest power of two not
// above it when not npot).
void TextureSizeFor(int32_t width, int32_t height, bool npot, int32_t maxSize, int32_t* outWidth,
                    int32_t* outHeight);

// Uploads a decoded image as a new GL_TEXTURE_2D with linear filtering, left
// bound; scaled first where TextureSizeFor says. Returns the texture, or 0
// (no texture left behind, the previous binding back) when GL refuses it,
// *whyNot (may be null) then saying why.
GLuint UploadTexture(const Image* image, const char** whyNot);

// The texture of every mesh of model (0 where none) into *textures, one per
// mesh: each distinct skin name is looked up (FindSkinTexture), read and
// uploaded once. A skin whose file is missing or damaged leaves its meshes
// untextured and adds one line "Texture PATH: reason" to *problems. Empty
// skin names are not looked up.
void LoadSkinTextures(const SkelModel* model, const SkinSearch* search,
                      std::vector<uint32_t>* textures, std::vector<std::string>* problems);
