// boneloom-tool pose: loads a pair as the viewer does, presses channel keys
// and prints the model-space pose of every bone and the key list that the
// viewer would draw.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pose/keys.h"
#include "tools/commands.h"

const char POSE_HELP[] =
    "Loads IN.skm and IN.skp as the viewer does, with every key channel at\n"
    "frame 1, releases each character of KEYS in order as the viewer's keyboard\n"
    "does (each steps the channel of the bones whose names begin with that\n"
    "character to its next frame, wrapping to 0), then prints the model-space\n"
    "pose of every bone:\n"
    "  INDEX QX QY QZ QW X Y Z NAME\n"
    "followed by one line \"key K frame:F\" per active key channel, in byte order.\n"
    "\n"
    "options:\n"
    "  --press KEYS   keys to release, in order (case-sensitive; may be repeated)\n"
    "\n"
    "Exit status 1 when the pair cannot be loaded, 2 on a usage error.\n";

namespace {

// Resets the channels as a load does, without the bone-name list that goes
// with it: stdout carries only the pose lines.
void ResetChannelsQuietly() {
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    FILE* sink = fopen("/dev/null", "w");
    if (saved >= 0 && sink) dup2(fileno(sink), STDOUT_FILENO);
    ResetKeyChannels();
    fflush(stdout);
    if (saved >= 0) {
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
    if (sink) fclose(sink);
}

} // namespace

int RunPose(int argc, char** argv) {
    const char* command = argv[0];
    std::string keys;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (strcmp(arg, "--press") == 0) {
            if (i + 1 >= argc) return UsageError(command, "--press needs a value");
            keys += argv[++i];
        } else if (strncmp(arg, "--press=", 8) == 0) {
            keys += arg + 8;
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.size() != 2)
        return UsageError(command, "expected 2 operands, got %zu", operands.size());

    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(command, operands[0], operands[1], &model, false, &report)) return 1;
    CurrentModel = &model;
    ResetChannelsQuietly();
    for (unsigned char key : keys) AdvanceKey(key);

    for (int32_t i = 0; i < CurrentPoseCount; i++) {
        const BonePose& p = CurrentPose[i];
        std::string name = (size_t)i < model.bones.size() ? PrintableName(model.bones[i].name) : "";
        printf("%d %.6f %.6f %.6f %.6f %.6f %.6f %.6f %s\n", i, p.quat[0], p.quat[1], p.quat[2],
               p.quat[3], p.origin[0], p.origin[1], p.origin[2], name.c_str());
    }
    for (int32_t k = 0; k < DisplayKeys.numkeys; k++) {
        char text[2] = {(char)(DisplayKeys.keys[k] & 0xff), 0};
        printf("key %s frame:%i\n", PrintableName(text).c_str(), DisplayKeys.keyframes[k]);
    }
    CurrentModel = nullptr;
    return 0;
}
