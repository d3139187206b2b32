// boneloom-tool rotate: turns a model by yaw, pitch and roll as the viewer's
// Rotate panel does and writes the SKP file with the viewer's exporter.
#include <cstdio>
#include <vector>

#include "model/export.h"
#include "pose/rotate_model.h"
#include "tools/commands.h"

const char ROTATE_HELP[] =
    "Loads IN.skm and IN.skp, turns the model about its origin as the viewer's\n"
    "\"Rotate\" button does, and writes OUT.skp with the viewer's SKP exporter.\n"
    "The turn is baked into bone 0's pose in every frame but frame 0 (the rest\n"
    "pose stays as it was); each angle turns points by minus that many degrees\n"
    "about its axis, roll first, then pitch, then yaw. Useful for re-orienting a\n"
    "model for another program's up axis. The angles are in degrees, each kept\n"
    "within -360..360; missing ones are 0.\n";

// Clamped as the Rotate panel's spinners clamp them.
const ToolOption ROTATE_OPTIONS[] = {
    {"--yaw",
     OPTION_NUMBER,
     "Y",
     "about the z axis",
     {-360, 360, NUMBER_CLAMP | NUMBER_SAY_IS_NOT},
     "a number of degrees"},
    {"--pitch",
     OPTION_NUMBER,
     "P",
     "about the y axis",
     {-360, 360, NUMBER_CLAMP | NUMBER_SAY_IS_NOT},
     "a number of degrees"},
    {"--roll",
     OPTION_NUMBER,
     "R",
     "about the x axis",
     {-360, 360, NUMBER_CLAMP | NUMBER_SAY_IS_NOT},
     "a number of degrees"},
    {},
};

const char ROTATE_NOTES[] =
    "OUT.skp is replaced only once completely written; it may be IN.skp but not\n"
    "IN.skm. Exit status 1 when the pair cannot be loaded or OUT.skp cannot be\n"
    "written or is refused, 2 on a usage error.\n";

int RunRotate(const ToolArgs* args) {
    const char* command = args->command;
    // Held as the Rotate panel holds them: pitch, yaw, roll.
    float angles[3] = {(float)GivenNumber(args, "--pitch", 0), (float)GivenNumber(args, "--yaw", 0),
                       (float)GivenNumber(args, "--roll", 0)};
    if (!ExpectOperands(args, 3)) return 2;
    const std::vector<const char*>& operands = args->operands;

    const FileRole roles[] = {
        {operands[0], "SKM", false}, {operands[1], "SKP", false}, {operands[2], "SKP", true}};
    if (!CheckToolOutputs(command, roles, 3)) return 1;
    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(command, operands[0], operands[1], &model, false, &report)) return 1;
    RotateModelFrames(&model, angles);
    bool wrote = ExportSKPForTool(&model, operands[2]);
    fflush(stdout);
    if (!wrote) {
        fprintf(stderr, "boneloom-tool rotate: %s was not written\n", operands[2]);
        return 1;
    }
    return 0;
}
