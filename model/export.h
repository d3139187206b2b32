// The exporters: build an SKP or SKM file image in the one static 16 MB
// output buffer (owned here) and write it to disk through a temporary file,
// so a failed write never clobbers an earlier export.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/model.h"

extern unsigned char OutputBuffer[MAX_FILESIZE]; // the image being built

// Size in bytes of the model's SKP / SKM image. False when the model's part
// (skeleton and frames, or meshes) does not match its arrays (ValidateModel's
// shape check), and then *reason says where.
bool SKPImageSize(const SkelModel* model, int64_t* size, std::string* reason);
bool SKMImageSize(const SkelModel* model, int64_t* size, std::string* reason);

// Build the image in the capacity bytes at image (the exporters pass
// OutputBuffer) and set *size. False (with *reason) when the model is
// inconsistent or its image would pass 16777216 bytes or the capacity; image
// is then not touched. Print nothing.
bool BuildSKPImage(const SkelModel* model, unsigned char* image, size_t capacity, int64_t* size,
                   std::string* reason);
bool BuildSKMImage(const SkelModel* model, unsigned char* image, size_t capacity, int64_t* size,
                   std::string* reason);

// Export to a chosen path with the console lines of the menu's exporters
// ("file size: %5ik", "wrote SKP file"; a failed write prints "unable to open
// file ... for writing" when the target is refused or its directory cannot be
// written, else "unable to write file ...", then a line saying why, instead of
// the "wrote" line, and path is left as it was); a refused model prints one
// line and writes nothing. Return true only when the file was written.
bool WriteSKPFile(SkelModel* model, const char* path);
bool WriteSKMFile(SkelModel* model, const char* path);

// Exports both files of a model, both or neither: the lines of WriteSKMFile
// and then of WriteSKPFile, but the files replace their targets only once both
// images are completely written; when either fails, neither target changes and
// the other file gets a line saying it was not written. True when both were.
bool WriteModelPair(SkelModel* model, const char* skmPath, const char* skpPath);

// The menu's exporters: write "data/out.skp" / "data/out.skm". True when written.
bool WriteSKP(SkelModel* model);
bool WriteSKM(SkelModel* model);
