// The viewer's SKM and SKP loaders: the silent parse of model/load, its
// console text printed, the run ended on a fatal case, and the finished model
// handed to the key channels and the animation timer.
#include "app/read_model.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/file_io.h"
#include "model/load.h"
#include "session/session.h"

namespace {

// Prints the parse's console text; a load that failed ends the run.
void PrintOrExit(LoadStatus status, const LoadReport& report) {
    fwrite(report.console.data(), 1, report.console.size(), stdout);
    if (status == LOAD_OK) return;
    fflush(stdout);
    exit(1);
}

} // namespace

std::string PairedSKPPath(const char* skmPath) {
    std::string path = skmPath;
    if (PairExtension(path) == "skm") return PairPartnerPath(path);
    return path + ".skp";
}

void ReadSKM(const char* path) {
    // The one model of the run: created here and never released.
    SkelModel* model = new SkelModel;
    LoadReport report;
    PrintOrExit(LoadSKMFile(path, model, &report), report);
    ReadSKP(PairedSKPPath(path).c_str(), model);
    CurrentModel = model;
    ResetKeyChannels();
    RegisterDefaultAnimation(CurrentModel);
}

void ReadSKP(const char* path, SkelModel* model) {
    LoadReport report;
    PrintOrExit(LoadSKPFile(path, model, &report), report);
}
