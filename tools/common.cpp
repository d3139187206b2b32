// Helpers shared by boneloom-tool's commands: loading a model pair with the
// tool's error reporting, key presses as the viewer makes them, refusing
// outputs that clash, and printing names safely on a terminal.
#include <unistd.h>

#include <cstdio>

#include "pose/keys.h"
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

// Resets the channels as a load does, without the bone-name list that goes
// with it: stdout carries only the command's own output.
static void ResetChannelsQuietly() {
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

void PressKeysForTool(SkelModel* model, const std::string& keys) {
    CurrentModel = model;
    ResetChannelsQuietly();
    for (unsigned char key : keys) AdvanceKey(key);
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
