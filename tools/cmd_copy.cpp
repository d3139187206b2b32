// boneloom-tool copy: loads a pair exactly as the viewer does and writes it
// back through the viewer's exporters, so the output equals a viewer export.
#include <cstdio>

#include "model/export.h"
#include "tools/commands.h"

const char COPY_HELP[] =
    "Loads IN.skm and IN.skp as the viewer's start-up does, printing the same\n"
    "console lines, then writes OUT.skm and OUT.skp with the viewer's exporters\n"
    "(the same bytes as its \"Model: Save\" menu entries). Each output replaces its\n"
    "file only once completely written. Exit status 1 when the pair cannot be\n"
    "loaded or an output cannot be written.\n";

int RunCopy(int argc, char** argv) {
    if (!ExpectOperands(argc, argv, 4)) return 2;
    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(argv[0], argv[1], argv[2], &model, true, &report)) return 1;
    bool wroteMesh = WriteSKMFile(&model, argv[3]);
    bool wrotePose = WriteSKPFile(&model, argv[4]);
    fflush(stdout);
    if (!wroteMesh) fprintf(stderr, "boneloom-tool copy: %s was not written\n", argv[3]);
    if (!wrotePose) fprintf(stderr, "boneloom-tool copy: %s was not written\n", argv[4]);
    return wroteMesh && wrotePose ? 0 : 1;
}
