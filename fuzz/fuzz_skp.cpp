// Fuzz target for the SKP pose reader: any bytes either parse into a
// consistent skeleton with one pose per bone in every frame or are refused
// with a line naming the file; a parsed skeleton survives export and reload.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "model/export.h"
#include "model/load.h"
#include "session/export.h"

static const char PATH[] = "fuzz.skp";

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceConsole();
    return 0;
}

// Bones whose parent the pose builder cannot honour (not an earlier bone).
static size_t CountForwardParents(const SkelModel& model) {
    size_t n = 0;
    for (size_t i = 0; i < model.bones.size(); i++)
        if (model.bones[i].parent >= 0 && (size_t)model.bones[i].parent >= i) n++;
    return n;
}

static size_t CountParentWarnings(const LoadReport& report) {
    std::string prefix = std::string(PATH) + ": bone ";
    size_t n = 0;
    for (const std::string& line : report.problems)
        if (line.compare(0, prefix.size(), prefix) == 0 &&
            line.find("which is not an earlier bone") != std::string::npos)
            n++;
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SkelModel model;
    MarkUntouched(&model);
    LoadReport report;
    LoadStatus status = ParseSKP(data, size, PATH, &model, &report);
    if (status != LOAD_OK) {
        CheckRefusal(status, report, "ReadSKP", PATH);
        CheckUntouched(&model, "a refused SKP file");
        return 0;
    }
    FUZZ_CHECK(model.nummeshes == UNTOUCHED_COUNT && model.meshes.empty(),
               "the SKP reader touched the meshes");
    CheckSkeletonConsistent(&model);
    size_t forward = CountForwardParents(model);
    FUZZ_CHECK(CountParentWarnings(report) == forward,
               "%zu bones with a later parent but %zu warnings", forward,
               CountParentWarnings(report));

    std::string reason;
    int64_t size2 = 0;
    if (!BuildSKPImage(&model, OutputBuffer, MAX_FILESIZE, &size2, &reason)) {
        // Frames may share one pose block in the file; the export repeats it.
        std::string why;
        int64_t need = 0;
        FUZZ_CHECK(SKPImageSize(&model, &need, &why) && need > MAX_FILESIZE,
                   "export refused a parsed model: %s", reason.c_str());
        return 0;
    }
    std::vector<unsigned char> image = TakeOutput(size2);
    SkelModel reloaded;
    LoadReport again;
    LoadStatus status2 = ParseSKP(image.data(), image.size(), PATH, &reloaded, &again);
    FUZZ_CHECK(status2 == LOAD_OK, "the exported image of a parsed model was refused: %s",
               again.problems.empty() ? "" : again.problems.back().c_str());
    CheckSameSkeleton(&model, &reloaded);

    int64_t size3 = 0;
    FUZZ_CHECK(BuildSKPImage(&reloaded, OutputBuffer, MAX_FILESIZE, &size3, &reason) &&
                   size3 == size2 && TakeOutput(size3) == image,
               "a second export differs from the first");
    return 0;
}
