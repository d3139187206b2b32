// The viewer's SKM loader: parses the mesh file, prints what the parse
// reports, ends the run on a fatal case, then loads the skeleton and hands
// the finished model to the key channels and the animation timer.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/load.h"
#include "model/read.h"
#include "pose/anim.h"
#include "pose/keys.h"

std::string PairedSKPPath(const char* skmPath) {
    std::string path = skmPath;
    size_t n = path.size();
    if (n >= 4 && path.compare(n - 4, 4, ".skm") == 0) path.resize(n - 4);
    return path + ".skp";
}

void ReadSKM(const char* path) {
    // The one model of the run: created here and never released.
    SkelModel* model = new SkelModel;
    LoadReport report;
    LoadStatus status = LoadSKMFile(path, model, &report);
    fwrite(report.console.data(), 1, report.console.size(), stdout);
    if (status != LOAD_OK) {
        fflush(stdout);
        exit(1);
    }
    ReadSKP(PairedSKPPath(path).c_str(), model);
    CurrentModel = model;
    ResetKeyChannels();
    RegisterDefaultAnimation(CurrentModel);
}
