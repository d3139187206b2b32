// The viewer's exporters: one static image buffer for every export of a run
// and the console for their lines.
#include "session/export.h"

#include <cstdio>
#include <string>

#include "model/export.h"

unsigned char OutputBuffer[MAX_FILESIZE];

static bool PrintExport(bool written, const std::string& lines) {
    fputs(lines.c_str(), stdout);
    return written;
}

bool WriteSKPFile(SkelModel* model, const char* path) {
    std::string lines;
    return PrintExport(ExportSKPFile(model, path, OutputBuffer, sizeof OutputBuffer, &lines),
                       lines);
}

bool WriteSKMFile(SkelModel* model, const char* path) {
    std::string lines;
    return PrintExport(ExportSKMFile(model, path, OutputBuffer, sizeof OutputBuffer, &lines),
                       lines);
}

bool WriteModelPair(SkelModel* model, const char* skmPath, const char* skpPath) {
    std::string lines;
    return PrintExport(
        ExportModelPair(model, skmPath, skpPath, OutputBuffer, sizeof OutputBuffer, &lines), lines);
}

bool WriteSKP(SkelModel* model) { return WriteSKPFile(model, "data/out.skp"); }

bool WriteSKM(SkelModel* model) { return WriteSKMFile(model, "data/out.skm"); }
