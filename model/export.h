// The exporters: build an SKP or SKM file image in the one static 16 MB
// output buffer (owned here, with its cursor) and write it to disk through a
// temporary file, so a failed write never clobbers an earlier export.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/model.h"

extern unsigned char OutputBuffer[MAX_FILESIZE]; // the image being built
extern int32_t OutputCursor;                     // where the next byte goes

// Output primitives at the cursor; each advances it by what it writes. Bytes
// that would fall outside OutputBuffer are dropped (the exporters size the
// image first, so they never reach that).
void ResetOutput();                         // cursor := 0
int32_t OutputTell();                       // the cursor
void OutputSeek(int32_t pos);               // cursor := pos
void PutInt(int32_t value);                 // 4 bytes, least significant first
void PutFloat(float value);                 // its bit pattern; zero (either sign) and NaN as 0
void PutName(const char* text, int length); // exactly length bytes: text cut or NUL-padded

// Writes size bytes of data to path with WriteFileAtomic. On failure prints
// "unable to open file ... for writing" (the target is refused or its
// directory cannot be written) or "unable to write file ..." (later), then a
// line saying why, and returns false; path is left as it was.
bool WriteDataFile(const char* path, const unsigned char* data, size_t size);

// Size in bytes of the model's SKP / SKM image, or -1 when the model's counts
// do not match its arrays (then *reason says which). Never more than int64.
int64_t SKPImageSize(const SkelModel* model, std::string* reason);
int64_t SKMImageSize(const SkelModel* model, std::string* reason);

// Build the image in OutputBuffer and return its size; -1 (with *reason) when
// the model is inconsistent or its image would pass 16777216 bytes, and then
// OutputBuffer is not touched. Print nothing.
int64_t BuildSKPImage(const SkelModel* model, std::string* reason);
int64_t BuildSKMImage(const SkelModel* model, std::string* reason);

// Export to a chosen path with the console lines of the menu's exporters
// ("file size: %5ik", "wrote SKP file"; a failed write prints its failure
// lines instead of the "wrote" line); a refused model prints one line and
// writes nothing. Return true only when the file was written.
bool WriteSKPFile(SkelModel* model, const char* path);
bool WriteSKMFile(SkelModel* model, const char* path);

// Exports both files of a model, both or neither: the lines of WriteSKMFile
// and then of WriteSKPFile, but the files replace their targets only once both
// images are completely written; when either fails, neither target changes and
// the other file gets a line saying it was not written. True when both were.
bool WriteModelPair(SkelModel* model, const char* skmPath, const char* skpPath);

// The menu's exporters: write "data/out.skp" / "data/out.skm".
void WriteSKP(SkelModel* model);
void WriteSKM(SkelModel* model);
