// Fuzz target for the SKM mesh reader: any bytes either parse into a
// consistent model or are refused with a line naming the file, and a parsed
// model survives an export and a reload unchanged.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "model/export.h"
#include "model/load.h"
#include "session/export.h"

static const char PATH[] = "fuzz.skm";

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SkelModel model;
    MarkUntouched(&model);
    LoadReport report;
    LoadStatus status = ParseSKM(data, size, PATH, &model, &report);
    if (status != LOAD_OK) {
        CheckRefusal(status, report, "ReadSKM", PATH);
        CheckUntouched(&model, "a refused SKM file");
        return 0;
    }
    // The SKM reader owns the meshes and the provisional bone count only.
    FUZZ_CHECK(model.numframes == UNTOUCHED_COUNT && model.bones.empty() && model.frames.empty(),
               "the SKM reader touched the bones or frames");
    CheckMeshesConsistent(&model);

    std::string reason;
    int64_t size2 = 0;
    if (!BuildSKMImage(&model, OutputBuffer, MAX_FILESIZE, &size2, &reason)) {
        // The only export refusal a parsed model may draw is the size limit
        // (meshes may share one block in the file, the export repeats it).
        std::string why;
        int64_t need = 0;
        FUZZ_CHECK(SKMImageSize(&model, &need, &why) && need > MAX_FILESIZE,
                   "export refused a parsed model: %s", reason.c_str());
        return 0;
    }
    std::vector<unsigned char> image = TakeOutput(size2);
    SkelModel reloaded;
    LoadReport again;
    LoadStatus status2 = ParseSKM(image.data(), image.size(), PATH, &reloaded, &again);
    FUZZ_CHECK(status2 == LOAD_OK, "the exported image of a parsed model was refused: %s",
               again.problems.empty() ? "" : again.problems.back().c_str());
    CheckSameMeshes(&model, &reloaded);

    // Exporting the reloaded model gives the same bytes: the layout is fixed.
    int64_t size3 = 0;
    FUZZ_CHECK(BuildSKMImage(&reloaded, OutputBuffer, MAX_FILESIZE, &size3, &reason) &&
                   size3 == size2 && TakeOutput(size3) == image,
               "a second export differs from the first");
    return 0;
}
