// The viewer's exporters: the core's exporters (model/export.h) building in
// the one 16 MB OutputBuffer owned here, with their lines on the console.
#pragma once
#include "model/model.h"

extern unsigned char OutputBuffer[MAX_FILESIZE]; // the image being built

// ExportSKPFile / ExportSKMFile / ExportModelPair into OutputBuffer, their
// lines printed to stdout. Return true only when the file(s) were written.
bool WriteSKPFile(SkelModel* model, const char* path);
bool WriteSKMFile(SkelModel* model, const char* path);
bool WriteModelPair(SkelModel* model, const char* skmPath, const char* skpPath);

// The menu's exporters: write "data/out.skp" / "data/out.skm". True when written.
bool WriteSKP(SkelModel* model);
bool WriteSKM(SkelModel* model);
