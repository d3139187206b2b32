// Helpers shared by boneloom-tool's commands: loading a model pair with the
// tool's error reporting, key presses as the viewer makes them, refusing
// outputs that clash, and printing names safely on a terminal.
#include <cstdio>

#include "pose/compose.h"
#include "tools/commands.h"

bool LoadPairForTool(const char* command, const char* skmPath, const char* skpPath,
                     SkelModel* model, bool echo, LoadReport* report) {
    LoadStatus status = LoadModelPair(skmPath, skpPath, model, report);
    if (echo) {
        fwrite(report->console.data(), 1, report->console.size(), stdout);
        fflush(stdout);
    }
    if (status == LOAD_OK) return true;
    const std::string& why =
        report->problems.empty() ? std::string("load failed") : report->problems.back();
    if (echo)
        fprintf(stderr, "boneloom-tool %s: could not load the model; nothing written\n", command);
    else
        fprintf(stderr, "boneloom-tool %s: %s\n", command, why.c_str());
    return false;
}

void PoseAfterKeys(const SkelModel* model, const std::string& keys, std::vector<BonePose>* pose,
                   FrameKeys* list) {
    KeyChannels channels;
    ResetChannels(&channels);
    ActivateChannels(model, &channels);
    for (unsigned char key : keys) StepChannel(model, &channels, key);
    ListChannels(&channels, list);
    pose->resize((size_t)PoseCount(model));
    ChannelLocalPoses(model, list, pose->data());
    ComposePose(model, pose->data(), pose->data());
}

bool CheckToolOutputs(const char* command, const FileRole* roles, size_t count) {
    std::string reason;
    if (CheckOutputClashes(roles, count, &reason)) return true;
    fprintf(stderr, "boneloom-tool %s: %s; nothing written\n", command, reason.c_str());
    return false;
}

std::string PrintableName(const char* name) {
    std::string out;
    for (const unsigned char* p = (const unsigned char*)name; *p; p++) {
        if (*p < 0x20 || *p == 0x7f) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", *p);
            out += escaped;
        } else {
            out += (char)*p;
        }
    }
    return out;
}
