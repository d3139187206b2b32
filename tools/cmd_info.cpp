// boneloom-tool info: a summary of a model pair — counts, the bone tree,
// frame names and meshes.
#include <cstdio>
#include <vector>

#include "model/validate.h"
#include "tools/commands.h"

const char INFO_HELP[] =
    "Loads IN.skm and IN.skp as the viewer does (without its console text) and\n"
    "prints the bone, frame and mesh counts, the bone tree (index, parent, flags,\n"
    "name indented by depth), the frame names and every mesh with its names and\n"
    "counts. Exit status 1 when the pair cannot be loaded.\n";

int RunInfo(const ToolArgs* args) {
    if (!ExpectOperands(args, 2)) return 2;
    const char* const* operands = args->operands.data();
    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(args->command, operands[0], operands[1], &model, false, &report)) return 1;

    printf("%s: %i meshes\n", operands[0], model.nummeshes);
    printf("%s: %i bones, %i frames\n", operands[1], model.numbones, model.numframes);

    printf("\nbones (%i):\n  index  parent       flags  name\n", model.numbones);
    std::vector<int> depth((size_t)model.numbones, 0);
    for (int32_t i = 0; i < model.numbones; i++) {
        const SkelBone& bone = model.bones[i];
        // Only an earlier parent places a bone in the tree; others are shown
        // (and posed) as roots.
        if (bone.parent >= 0 && ParentIsValid(&model, i)) depth[i] = depth[bone.parent] + 1;
        printf("  %5i  %6i  0x%08x  %*s%s\n", i, bone.parent, bone.flags, 2 * depth[i], "",
               PrintableName(bone.name).c_str());
    }

    printf("\nframes (%i):\n", model.numframes);
    for (int32_t f = 0; f < model.numframes; f++)
        printf("  %5i  %s\n", f, PrintableName(model.frames[f].name).c_str());

    printf("\nmeshes (%i):\n", model.nummeshes);
    for (int32_t m = 0; m < model.nummeshes; m++) {
        const SkelMesh& mesh = model.meshes[m];
        long long weights = 0;
        for (const SkelVertex& v : mesh.verts) weights += v.numweights;
        printf(
            "  %5i  mesh \"%s\" skin \"%s\": %i vertices, %lld weights, %i triangles, %i bone "
            "references\n",
            m, PrintableName(mesh.meshname).c_str(), PrintableName(mesh.skinname).c_str(),
            mesh.numverts, weights, mesh.numtris, mesh.numreferences);
    }
    return 0;
}
