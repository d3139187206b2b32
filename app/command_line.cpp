// The viewer's command line (see command_line.h).
#include "app/command_line.h"

#include <cstring>

#include "model/file_io.h"

// GLUT's options that take the next argument as their value.
static bool TakesValue(const char* option) {
    return strcmp(option, "-display") == 0 || strcmp(option, "-geometry") == 0;
}

bool ParseViewerCommandLine(int* argc, char** argv, ViewerCommandLine* out) {
    int kept = 1;
    bool haveModel = false;
    for (int i = 1; i < *argc; i++) {
        const char* arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            out->help = true;
        } else if (strcmp(arg, "--mesh") == 0) {
            out->mesh = true;
        } else if (strncmp(arg, "--", 2) == 0) {
            out->error = std::string("unknown option '") + arg + "'";
            return false;
        } else if (arg[0] == '-') {
            argv[kept++] = argv[i];
            if (TakesValue(arg) && i + 1 < *argc) argv[kept++] = argv[++i];
        } else if (haveModel) {
            out->error =
                std::string("more than one model given ('") + out->model + "' and '" + arg + "')";
            return false;
        } else {
            haveModel = true;
            out->model = arg;
        }
    }
    argv[kept] = nullptr;
    *argc = kept;
    // A file manager hands over either file, its extension in any case.
    std::string ext = PairExtension(out->model);
    if (ext == "skm")
        out->skm = out->model;
    else if (ext == "skp")
        out->skm = PairPartnerPath(out->model);
    else
        out->skm = out->model + ".skm";
    return true;
}
