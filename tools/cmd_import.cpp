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
#include "tools/import/guard.h"
#include "tools/import/import.h"

static_assert(IMPORT_MEMORY_LIMIT_MB == 4096 && IMPORT_TIME_LIMIT_S == 120,
              "the help text states the reader's limits");

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
    "    is split; the skin name is the material's name (else the diffuse\n"
    "    texture's file name). A scene without bones becomes a one-bone model;\n"
    "  - sizes in metres: FBX's UnitScaleFactor and Collada's <unit meter> are\n"
    "    applied (--scale multiplies on top); FBX's axes and Collada's up_axis\n"
    "    are turned to glTF's, and glTF's axes mapped back the way `gltf` maps\n"
    "    them out. A 3D suite's armature object above the root bones is folded\n"
    "    into them; every joint under the skeleton's root is a bone, weighted\n"
    "    or not; FBX pivot helpers are folded into their bone;\n"
    "  - each skin's texture, embedded in IN or found beside it, is written\n"
    "    beside OUT.skm as SKINNAME.png (or .jpg, or its own extension).\n"
    "The reader runs in a child process limited to 4096 MB of memory and 120 s;\n"
    "a file that crashes it or passes a limit is refused with one line.\n";

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
    {"--no-textures", OPTION_FLAG, nullptr, "write no texture files"},
    {"--list", OPTION_FLAG, nullptr,
     "list the skeletons, meshes, animations, unit and axes\nof IN and write nothing (OUT.skm and "
     "OUT.skp may be\nleft out)"},
    {},
};

const char IMPORT_NOTES[] =
    "All files are replaced together once all are complete, or none is.\n"
    "Exit status 1 when IN cannot be read or converted (more than 256 bones or\n"
    "32 meshes, a file past 16 MB, the reader crashed or passed a limit) or the\n"
    "files cannot be written, 2 on a usage error.\n";

int RunImport(const ToolArgs* args) {
    const char* command = args->command;
    ImportOptions options;
    bool list = IsGiven(args, "--list");
    options.textures = !IsGiven(args, "--no-textures");
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
        if (!ListSceneGuarded(in, &listing, &reason)) {
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

    ImportedFiles files;
    bool imported = ImportGuarded(in, options, skmPath, skpPath, &files, &reason);
    for (const std::string& warning : files.warnings)
        fprintf(stderr, "boneloom-tool import: warning: %s\n", warning.c_str());
    std::vector<std::string> written;
    if (imported && WriteImportedFiles(files, skmPath, skpPath, &written, &reason)) {
        std::string names = written[0];
        for (size_t i = 1; i < written.size(); i++)
            names += (i + 1 == written.size() ? " and " : ", ") + written[i];
        printf("wrote %s: %i bones, %i meshes, %i frames\n", names.c_str(), files.bones,
               files.meshes, files.frames);
        return 0;
    }
    fprintf(stderr, "boneloom-tool import: %s; nothing written\n", reason.c_str());
    return 1;
}
