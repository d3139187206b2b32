// The exporters: build an SKP or SKM file image in a buffer the caller owns
// and write it to disk through a temporary file, so a failed write never
// clobbers an earlier export. They print nothing: the console lines an export
// would show come back as text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/model.h"

// Size in bytes of the model's SKP / SKM image. False when the model's part
// (skeleton and frames, or meshes) does not match its arrays (ValidateModel's
// shape check), and then *reason says where.
bool SKPImageSize(const SkelModel* model, int64_t* size, std::string* reason);
bool SKMImageSize(const SkelModel* model, int64_t* size, std::string* reason);

// Build the image in the capacity bytes at image (the viewer passes
// its OutputBuffer) and set *size. False (with *reason) when the model is
// inconsistent or its image would pass 16777216 bytes or the capacity; image
// is then not touched. Print nothing.
bool BuildSKPImage(const SkelModel* model, unsigned char* image, size_t capacity, int64_t* size,
                   std::string* reason);
bool BuildSKMImage(const SkelModel* model, unsigned char* image, size_t capacity, int64_t* size,
                   std::string* reason);

// Export to a chosen path, building the image in the capacity bytes at
// buffer (MAX_FILESIZE holds any model), and set *lines to the exporters'
// console lines ("file size: %5ik", "wrote SKP file"; a failed write gives
// "unable to open file ... for writing" when the target is refused or its
// directory cannot be written, else "unable to write file ...", then a line
// saying why, instead of the "wrote" line, and path is left as it was); a
// refused model gives one line and writes nothing. Return true only when the
// file was written.
bool ExportSKPFile(const SkelModel* model, const char* path, unsigned char* buffer, size_t capacity,
                   std::string* lines);
bool ExportSKMFile(const SkelModel* model, const char* path, unsigned char* buffer, size_t capacity,
                   std::string* lines);

// Exports both files of a model, both or neither: the lines of ExportSKMFile
// and then of ExportSKPFile, but the files replace their targets only once
// both images are completely written; when either fails, neither target
// changes and the other file gets a line saying it was not written. True when
// both were.
bool ExportModelPair(const SkelModel* model, const char* skmPath, const char* skpPath,
                     unsigned char* buffer, size_t capacity, std::string* lines);
