// boneloom-tool pose: loads a pair as the viewer does, presses channel keys
// and prints the model-space pose of every bone and the key list that the
// viewer would draw.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pose/compose.h"
#include "pose/playback.h"
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
    "  --frame N      pose every bone in frame N (0 .. numframes - 1) as the\n"
    "                 viewer's playback shows it, instead of the key channels;\n"
    "                 the key lines still show the channels, untouched at frame 1\n"
    "  --t T          with --frame: blend each bone's local pose from frame N\n"
    "                 towards the next frame by T (0 .. 1) as smooth playback\n"
    "                 does; after the last frame comes the first played frame\n"
    "\n"
    "Exit status 1 when the pair cannot be loaded, 2 on a usage error (also a\n"
    "frame the model does not have).\n";

namespace {

void PrintPoseLine(const SkelModel* model, int32_t i, const BonePose* p) {
    std::string name = (size_t)i < model->bones.size() ? PrintableName(model->bones[i].name) : "";
    printf("%d %.6f %.6f %.6f %.6f %.6f %.6f %.6f %s\n", i, p->quat[0], p->quat[1], p->quat[2],
           p->quat[3], p->origin[0], p->origin[1], p->origin[2], name.c_str());
}

// --frame N [--t T]: the pose playback shows instead of the key channels'.
struct PoseAtFrame {
    bool wanted = false;
    int32_t frame = 0;
    float t = 0;
};

// Checks the texts of --frame and --t (null when not given); returns 0, or
// the usage status after reporting.
int ParsePoseAtFrame(const char* command, const char* frameText, const char* tText, bool pressed,
                     PoseAtFrame* at) {
    if (!frameText) {
        if (tText) return UsageError(command, "--t needs --frame");
        return 0;
    }
    if (pressed)
        return UsageError(command,
                          "--frame and --press exclude each other: a shown frame "
                          "replaces the key channels' frames");
    char* end = nullptr;
    errno = 0;
    long frame = strtol(frameText, &end, 10);
    if (*frameText == '\0' || *end != '\0' || errno == ERANGE || frame < 0 || frame > INT32_MAX)
        return UsageError(command, "--frame: '%s' is not a frame number (0 or more)", frameText);
    at->wanted = true;
    at->frame = (int32_t)frame;
    if (tText) {
        errno = 0;
        double t = strtod(tText, &end);
        if (*tText == '\0' || *end != '\0' || !std::isfinite(t) || t < 0 || t > 1)
            return UsageError(command, "--t: '%s' is not a number from 0 to 1", tText);
        at->t = (float)t;
    }
    return 0;
}

// Prints every bone's model-space pose at at->frame, blended towards the
// frame smooth playback goes to next; returns 0, or the usage status when the
// model has no such frame (nothing printed then).
int PrintPoseAtFrame(const char* command, const SkelModel* model, const PoseAtFrame* at) {
    if (model->numframes <= 0) return UsageError(command, "--frame: the model has no frames");
    if (at->frame >= model->numframes)
        return UsageError(command, "--frame %d: the model's frames are 0 .. %d", at->frame,
                          model->numframes - 1);
    Playback play;
    play.frame = at->frame;
    play.loop = true;
    std::vector<BonePose> pose;
    BuildPlaybackPose(model, &play, at->t, &pose);
    for (size_t i = 0; i < pose.size(); i++) PrintPoseLine(model, (int32_t)i, &pose[i]);
    return 0;
}

} // namespace

int RunPose(int argc, char** argv) {
    const char* command = argv[0];
    std::string keys;
    bool pressed = false;
    const char* frameText = nullptr;
    const char* tText = nullptr;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; i++) {
        bool missing = false;
        const char* value;
        if ((value = OptionValue(argc, argv, &i, "--press", &missing))) {
            keys += value;
            pressed = true;
        } else if ((value = OptionValue(argc, argv, &i, "--frame", &missing))) {
            frameText = value;
        } else if ((value = OptionValue(argc, argv, &i, "--t", &missing))) {
            tText = value;
        } else if (missing) {
            return UsageError(command, "%s needs a value", argv[i]);
        } else {
            operands.push_back(argv[i]);
        }
    }
    if (operands.size() != 2)
        return UsageError(command, "expected 2 operands, got %zu", operands.size());
    PoseAtFrame at;
    if (int status = ParsePoseAtFrame(command, frameText, tText, pressed, &at)) return status;

    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(command, operands[0], operands[1], &model, false, &report)) return 1;
    std::vector<BonePose> pose;
    FrameKeys list;
    PoseAfterKeys(&model, keys, &pose, &list);

    if (at.wanted) {
        if (int status = PrintPoseAtFrame(command, &model, &at)) return status;
    } else {
        for (size_t i = 0; i < pose.size(); i++) PrintPoseLine(&model, (int32_t)i, &pose[i]);
    }
    for (int32_t k = 0; k < list.numkeys; k++) {
        char text[2] = {(char)(list.keys[k] & 0xff), 0};
        printf("key %s frame:%i\n", PrintableName(text).c_str(), list.keyframes[k]);
    }
    return 0;
}
