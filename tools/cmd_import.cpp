// boneloom-tool import: brings a model from glTF, FBX, Collada, OBJ and the
// other formats assimp reads into an SKM/SKP pair. The conversion lives in
// tools/import/.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/gltf/gltf.h"
#include "tools/import/import.h"

const char IMPORT_HELP[] =
    "Reads IN with assimp (glTF 2.0 .glb/.gltf, FBX, Collada .dae, OBJ and the\n"
    "other formats it knows) and writes the model as OUT.skm and OUT.skp:\n"
    "  - bones: the nodes that skin vertices and their ancestors (not the scene\n"
    "    root, not mesh nodes), parents first; names past 63 bytes are cut; the\n"
    "    \"flags\" extra of our glTF export comes back as the bone's flags;\n"
    "  - frame 0 is the bind pose; frames 1 and up are the animation, at its own\n"
    "    key times when they are evenly spaced, else at 24 fps (or --fps). A file\n"
    "    written by `boneloom-tool gltf` gives back its own frames and names;\n"
    "  - one SKM mesh per mesh, triangulated, weights in each bone's space and\n"
    "    summing to 1; a mesh past 196608 vertices, 65536 triangles or 256 bones\n"
    "    is split; the skin name is the diffuse texture's file name, else the\n"
    "    material's name. A scene without bones becomes a one-bone model.\n"
    "The axes are mapped back the way `gltf` maps them out.\n";

const ToolOption IMPORT_OPTIONS[] = {
    {"--anim", OPTION_TEXT, "NAME|INDEX", "the animation to take (default: the first)"},
    {"--fps",
     OPTION_NUMBER,
     "N",
     "sample the animation at N frames per second (above 0,\nat most 1000)",
     {0, GLTF_MAX_FPS, NUMBER_ABOVE_LOW}},
    {"--scale",
     OPTION_NUMBER,
     "S",
     "multiply every position by S (above 0)",
     {0, 1e30, NUMBER_ABOVE_LOW}},
    {"--list", OPTION_FLAG, nullptr,
     "list the skeletons, meshes and animations of IN and\nwrite nothing (OUT.skm and OUT.skp may "
     "be left out)"},
    {},
};

const char IMPORT_NOTES[] =
    "Both files are replaced together once both are complete, or neither is.\n"
    "Exit status 1 when IN cannot be read or converted (more than 256 bones or\n"
    "32 meshes, a file past 16 MB) or the files cannot be written, 2 on a usage\n"
    "error.\n";

int RunImport(const ToolArgs* args) {
    const char* command = args->command;
    ImportOptions options;
    bool list = IsGiven(args, "--list");
    if (const char* anim = GivenText(args, "--anim")) {
        options.anim = anim;
        if (options.anim.empty()) return UsageError(command, "--anim wants a name or index");
    }
    options.fps = GivenNumber(args, "--fps", options.fps);
    options.scale = GivenNumber(args, "--scale", options.scale);
    const std::vector<const char*>& operands = args->operands;
    if (list ? operands.size() != 1 && operands.size() != 3 : operands.size() != 3)
        return UsageError(command, "expected %s operands, got %zu", list ? "1 or 3" : "3",
                          operands.size());
    const char* in = operands[0];
    std::string reason;
    if (list) {
        std::string listing;
        if (!ListScene(in, &listing, &reason)) {
            fprintf(stderr, "boneloom-tool import: %s\n", reason.c_str());
            return 1;
        }
        fwrite(listing.data(), 1, listing.size(), stdout);
        return 0;
    }
    const char* skmPath = operands[1];
    const char* skpPath = operands[2];
    if (strcmp(skmPath, skpPath) == 0)
        return UsageError(command, "OUT.skm and OUT.skp are the same file \"%s\"", skmPath);
    const FileRole roles[] = {{in, "scene", false}, {skmPath, "SKM", true}, {skpPath, "SKP", true}};
    if (!CheckToolOutputs("import", roles, 3)) return 1;

    SkelModel model;
    std::vector<std::string> warnings;
    bool imported = ImportModel(in, options, &model, &warnings, &reason);
    for (const std::string& warning : warnings)
        fprintf(stderr, "boneloom-tool import: warning: %s\n", warning.c_str());
    if (imported && WriteImportedPair(&model, skmPath, skpPath, &reason)) {
        printf("wrote %s and %s: %i bones, %i meshes, %i frames\n", skmPath, skpPath,
               model.numbones, model.nummeshes, model.numframes);
        return 0;
    }
    fprintf(stderr, "boneloom-tool import: %s; nothing written\n", reason.c_str());
    return 1;
}
