// boneloom-tool sample: writes the demo humanoid as DIR/tris.skm and
// DIR/tris.skp, the pair the viewer loads from its data directory, and the
// texture its meshes name as DIR/boneloom_skin.tga.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/export.h"
#include "model/file_io.h"
#include "demo/sample.h"
#include "tools/commands.h"

const char SAMPLE_HELP[] =
    "Writes the demo model: a 26-bone humanoid with a rest frame and an eight-frame\n"
    "walk cycle, eight key channels (bone names start with P, S, C, N, H, J, L and\n"
    "R), and a skinned body of three closed meshes (body and head, arms, legs and\n"
    "feet) whose weights blend across the joints, painted by the texture\n"
    "DIR/boneloom_skin.tga (128 x 128, 24-bit) that their skin name points to.\n"
    "DIR is created when missing. The output is the same on every run; the two\n"
    "model files are replaced together or not at all.\n"
    "To view it: boneloom-tool sample data && boneloom\n";

int RunSample(const ToolArgs* args) {
    if (!ExpectOperands(args, 1)) return 2;
    const char* const* operands = args->operands.data();
    std::string dir = operands[0], reason;
    bool created = false;
    if (!EnsureDirectory(dir.c_str(), &created, &reason)) {
        fprintf(stderr, "boneloom-tool sample: %s\n", reason.c_str());
        return 1;
    }
    SkelModel model;
    BuildSampleModel(&model);
    std::string meshPath = JoinPath(dir, "tris.skm"), posePath = JoinPath(dir, "tris.skp");
    std::string skinPath = JoinPath(dir, (std::string(SAMPLE_SKIN_NAME) + ".tga").c_str());
    const FileRole roles[] = {{meshPath.c_str(), "SKM", true},
                              {posePath.c_str(), "SKP", true},
                              {skinPath.c_str(), "TGA", true}};
    if (!CheckToolOutputs(args->command, roles, 3)) return 1;
    bool wrote = ExportPairForTool(&model, meshPath.c_str(), posePath.c_str());
    if (wrote) {
        std::vector<uint8_t> skin = BuildSampleSkinTGA();
        wrote = WriteFileAtomic(skinPath.c_str(), skin.data(), skin.size(), &reason);
        if (wrote) {
            printf("wrote %s (128 x 128, 24-bit TGA)\n", skinPath.c_str());
        } else {
            fprintf(stderr, "boneloom-tool sample: %s\n", reason.c_str());
        }
    }
    fflush(stdout);
    if (!wrote) {
        fprintf(stderr,
                "boneloom-tool sample: the demo model was not written completely to \"%s\"\n",
                dir.c_str());
        return 1;
    }
    return 0;
}
