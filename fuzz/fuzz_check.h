// Shared by the fuzz targets: the checks a parse, a pose or an export must
// pass on any input. A broken check prints what broke and aborts, which
// libFuzzer reports as a crash and saves the input. No state of its own
// beyond the silenced console.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/load.h"
#include "model/model.h"

// Aborts with the message when cond is false.
#define FUZZ_CHECK(cond, ...)                                           \
    do {                                                                \
        if (!(cond)) FailCheck(__FILE__, __LINE__, #cond, __VA_ARGS__); \
    } while (0)

[[noreturn]] void FailCheck(const char* file, int line, const char* cond, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Sends the program's console lines (stdout) to /dev/null: the readers, the
// bone list and the exporters print, and libFuzzer reports on stderr.
void SilenceConsole();

constexpr int32_t UNTOUCHED_COUNT = -777;

// A model filled with values no parse produces, to show that a refused file
// leaves its model untouched.
void MarkUntouched(SkelModel* model);
void CheckUntouched(const SkelModel* model, const char* what);

// After LOAD_OK: every count matches its array, names end in a NUL, every
// vertex points at its own weights in its mesh's pool.
void CheckMeshesConsistent(const SkelModel* model);
void CheckSkeletonConsistent(const SkelModel* model);

// After a refusal: the report holds a line naming the reader and the path.
void CheckRefusal(LoadStatus status, const LoadReport& report, const char* reader,
                  const char* path);

// The 32 bits an export writes for a float: zero of either sign and NaN as 0.
uint32_t ExportedBits(float value);

// What a reload of an export must give back: every count, name text, integer
// and exported float bit pattern of the meshes (or skeleton and frames).
void CheckSameMeshes(const SkelModel* a, const SkelModel* b);
void CheckSameSkeleton(const SkelModel* a, const SkelModel* b);

// The bytes of the image the last Build*Image call left in OutputBuffer.
std::vector<unsigned char> TakeOutput(int64_t size);

struct Image;
// Runs decode on data and checks what every image decoder promises: a
// refusal with a reason and the image untouched, or exactly width x height
// pixels of 3 or 4 channels within the size limit. True when it decoded.
bool CheckImageDecoder(bool (*decode)(const uint8_t*, size_t, Image*, const char**),
                       const uint8_t* data, size_t size, Image* decoded);
