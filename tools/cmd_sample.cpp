// boneloom-tool sample: writes the demo humanoid as DIR/tris.skm and
// DIR/tris.skp, the pair the viewer loads from its data directory.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/export.h"
#include "model/sample.h"
#include "tools/commands.h"

const char SAMPLE_HELP[] =
    "Writes the demo model: a 26-bone humanoid with a rest frame and an eight-frame\n"
    "walk cycle, skinned box meshes, and eight key channels (bone names start with\n"
    "P, S, C, N, H, J, L and R). DIR is created when missing. The output is the\n"
    "same on every run. To view it: boneloom-tool sample data && boneloom\n";

int RunSample(int argc, char** argv) {
    if (!ExpectOperands(argc, argv, 1)) return 2;
    std::string dir = argv[1];
    struct stat info;
    if (stat(dir.c_str(), &info) != 0) {
        if (mkdir(dir.c_str(), 0777) != 0) {
            fprintf(stderr, "boneloom-tool sample: cannot create directory \"%s\": %s\n",
                    dir.c_str(), strerror(errno));
            return 1;
        }
    } else if (!S_ISDIR(info.st_mode)) {
        fprintf(stderr, "boneloom-tool sample: \"%s\" is not a directory\n", dir.c_str());
        return 1;
    }
    SkelModel model;
    BuildSampleModel(&model);
    std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    bool wroteMesh = WriteSKMFile(&model, (base + "tris.skm").c_str());
    bool wrotePose = WriteSKPFile(&model, (base + "tris.skp").c_str());
    fflush(stdout);
    if (!wroteMesh || !wrotePose) {
        fprintf(stderr,
                "boneloom-tool sample: the demo model was not written completely to \"%s\"\n",
                dir.c_str());
        return 1;
    }
    return 0;
}
