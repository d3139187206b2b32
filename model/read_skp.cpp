// The viewer's SKP loader: parses the pose file into the model being built,
// prints what the parse reports and ends the run on a fatal case.
#include <cstdio>
#include <cstdlib>

#include "model/load.h"
#include "model/read.h"

void ReadSKP(const char* path, SkelModel* model) {
    LoadReport report;
    LoadStatus status = LoadSKPFile(path, model, &report);
    fwrite(report.console.data(), 1, report.console.size(), stdout);
    if (status != LOAD_OK) {
        fflush(stdout);
        exit(1);
    }
}
