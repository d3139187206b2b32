// Helpers shared by boneloom-tool's commands: loading a model pair with the
// tool's error reporting, exporting with the tool's own image buffer, key
// presses as the viewer makes them, refusing outputs that clash, and printing
// names safely on a terminal.
#include <cstdio>

#include "model/export.h"
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

// The exporters' lines on stdout, as the viewer prints them.
static bool PrintExport(bool written, const std::string& lines) {
    fputs(lines.c_str(), stdout);
    return written;
}

bool ExportPairForTool(const SkelModel* model, const char* skmPath, const char* skpPath) {
    std::vector<unsigned char> image(MAX_FILESIZE);
    std::string lines;
    return PrintExport(ExportModelPair(model, skmPath, skpPath, image.data(), image.size(), &lines),
                       lines);
}

bool ExportSKPForTool(const SkelModel* model, const char* path) {
    std::vector<unsigned char> image(MAX_FILESIZE);
    std::string lines;
    return PrintExport(ExportSKPFile(model, path, image.data(), image.size(), &lines), lines);
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
