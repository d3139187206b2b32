// boneloom-tool rotate: turns a model by yaw, pitch and roll as the viewer's
// Rotate panel does and writes the SKP file with the viewer's exporter.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    "model for another program's up axis.\n"
    "\n"
    "options (degrees, each kept within -360..360, missing ones are 0):\n"
    "  --yaw Y     about the z axis\n"
    "  --pitch P   about the y axis\n"
    "  --roll R    about the x axis\n"
    "\n"
    "OUT.skp is replaced only once completely written; it may be IN.skp but not\n"
    "IN.skm. Exit status 1 when the pair cannot be loaded or OUT.skp cannot be\n"
    "written or is refused, 2 on a usage error.\n";

namespace {

// Reads an angle in degrees: a finite decimal number, clamped as the Rotate
// panel's spinners clamp it.
bool ParseAngle(const char* text, float* degrees) {
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    double value = strtod(text, &end);
    if (*end || !std::isfinite(value)) return false;
    if (value > 360) value = 360;
    if (value < -360) value = -360;
    *degrees = (float)value;
    return true;
}

} // namespace

int RunRotate(int argc, char** argv) {
    const char* command = argv[0];
    // Held as the Rotate panel holds them: pitch, yaw, roll.
    float angles[3] = {0, 0, 0};
    const char* names[3] = {"--pitch", "--yaw", "--roll"};
    std::vector<const char*> operands;
    for (int i = 1; i < argc; i++) {
        int which = -1;
        const char* value = nullptr;
        bool missing = false;
        for (int a = 0; a < 3 && which < 0; a++)
            if ((value = OptionValue(argc, argv, &i, names[a], &missing)) || missing) which = a;
        if (missing) return UsageError(command, "%s needs a value", names[which]);
        if (which < 0) {
            operands.push_back(argv[i]);
            continue;
        }
        if (!ParseAngle(value, &angles[which]))
            return UsageError(command, "%s: '%s' is not a number of degrees", names[which], value);
    }
    if (operands.size() != 3)
        return UsageError(command, "expected 3 operands, got %zu", operands.size());

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
