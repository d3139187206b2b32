// boneloom-tool pose: loads a pair as the viewer does, presses channel keys
// and prints the model-space pose of every bone and the key list that the
// viewer would draw.
#include <cstdio>
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
    "followed by one line \"key K frame:F\" per active key channel, in byte order.\n";

const ToolOption POSE_OPTIONS[] = {
    {"--press", OPTION_TEXT, "KEYS", "keys to release, in order (case-sensitive; may be repeated)"},
    {"--frame",
     OPTION_NUMBER,
     "N",
     "pose every bone in frame N (0 .. numframes - 1) as the\n"
     "viewer's playback shows it, instead of the key channels;\n"
     "the key lines still show the channels, untouched at frame 1",
     {0, INT32_MAX, NUMBER_WHOLE | NUMBER_SAY_IS_NOT},
     "a frame number (0 or more)"},
    {"--t",
     OPTION_NUMBER,
     "T",
     "with --frame: blend each bone's local pose from frame N\n"
     "towards the next frame by T (0 .. 1) as smooth playback\n"
     "does; after the last frame comes the first played frame",
     {0, 1, NUMBER_SAY_IS_NOT},
     "a number from 0 to 1"},
    {},
};

const char POSE_NOTES[] =
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

// Reads --frame and --t; returns 0, or the usage status after reporting.
int ReadPoseAtFrame(const ToolArgs* args, bool pressed, PoseAtFrame* at) {
    const char* command = args->command;
    const GivenOption* frame = FindGiven(args, "--frame");
    const GivenOption* t = FindGiven(args, "--t");
    if (!frame) {
        if (t) return UsageError(command, "--t needs --frame");
        return 0;
    }
    if (pressed)
        return UsageError(command,
                          "--frame and --press exclude each other: a shown frame "
                          "replaces the key channels' frames");
    at->wanted = true;
    at->frame = (int32_t)frame->number;
    if (t) at->t = (float)t->number;
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

int RunPose(const ToolArgs* args) {
    const char* command = args->command;
    std::string keys;
    bool pressed = false;
    for (const GivenOption& given : args->given) {
        if (strcmp(given.option->name, "--press") != 0) continue;
        keys += given.text;
        pressed = true;
    }
    if (!ExpectOperands(args, 2)) return 2;
    const std::vector<const char*>& operands = args->operands;
    PoseAtFrame at;
    if (int status = ReadPoseAtFrame(args, pressed, &at)) return status;

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
