// boneloom-tool gltf: exports a model pair to glTF 2.0 (.glb or .gltf), the
// bridge to Blender, game engines and web viewers. The writer itself lives in
// tools/gltf/.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/gltf/gltf.h"

const char GLTF_HELP[] =
    "Exports the model to glTF 2.0: OUT.glb is the binary container, OUT.gltf\n"
    "JSON text with the buffer embedded (base64). What it holds:\n"
    "  - one node per bone with its name and parent, frame 0 as the rest pose;\n"
    "    the model stands upright as the viewer shows it (model x, y, z become\n"
    "    glTF y, z, x), a turn carried by the root bones themselves;\n"
    "  - one skinned mesh per mesh, named after it, with normals, texture\n"
    "    coordinates and a material named after its skin; each vertex keeps its\n"
    "    4 strongest bones, scaled to sum to 1 (a vertex without weights follows\n"
    "    bone 0);\n"
    "  - one animation \"frames\" with a stepped key per pose frame, frame i at\n"
    "    i / fps seconds, and the frame names in its extras.\n"
    "Names are written as UTF-8 (bytes that are not UTF-8 are read as Latin-1,\n"
    "with one warning); bones that share a name draw a warning.\n";

const ToolOption GLTF_OPTIONS[] = {
    {"--fps",
     OPTION_NUMBER,
     "N",
     "frames per second of the animation (default 24, above 0, at most 1000)",
     {0, GLTF_MAX_FPS, NUMBER_ABOVE_LOW}},
    {},
};

const char GLTF_NOTES[] =
    "OUT is replaced only once completely written. Exit status 1 when the pair\n"
    "cannot be loaded or exported, 2 on a usage error.\n";

int RunGltf(const ToolArgs* args) {
    const char* command = args->command;
    float fps = (float)GivenNumber(args, "--fps", GLTF_DEFAULT_FPS);
    if (!ExpectOperands(args, 3)) return 2;
    const std::vector<const char*>& operands = args->operands;
    const char* skmPath = operands[0];
    const char* skpPath = operands[1];
    const char* outPath = operands[2];
    if (GltfFormatForPath(outPath) == GLTF_FORMAT_NONE)
        return UsageError(command, "the output \"%s\" must end in .glb or .gltf", outPath);

    const FileRole roles[] = {
        {skmPath, "SKM", false}, {skpPath, "SKP", false}, {outPath, "glTF", true}};
    if (!CheckToolOutputs(command, roles, 3)) return 1;
    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(command, skmPath, skpPath, &model, false, &report)) return 1;

    std::string reason;
    std::vector<std::string> warnings;
    bool wrote = WriteGltfFile(&model, outPath, fps, skmPath, skpPath, &reason, &warnings);
    for (const std::string& warning : warnings)
        fprintf(stderr, "boneloom-tool gltf: warning: %s\n", warning.c_str());
    if (!wrote) {
        fprintf(stderr, "boneloom-tool gltf: %s; nothing written\n", reason.c_str());
        return 1;
    }
    printf("wrote %s: %i bones, %i meshes, %i frames at %g fps\n", outPath, model.numbones,
           model.nummeshes, model.numframes, fps);
    return 0;
}
