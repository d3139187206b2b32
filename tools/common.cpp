// Helpers shared by boneloom-tool's commands: loading a model pair with the
// tool's error reporting, and printing names safely on a terminal.
#include <cstdio>

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
