// boneloom-tool copy: loads a pair exactly as the viewer does and writes it
// back through the viewer's exporters, so the output equals a viewer export.
#include <cstdio>

#include "model/export.h"
#include "tools/commands.h"

const char COPY_HELP[] =
    "Loads IN.skm and IN.skp as the viewer's start-up does, printing the same\n"
    "console lines, then writes OUT.skm and OUT.skp with the viewer's exporters\n"
    "(the same bytes as its \"Model: Save\" menu entries). Both outputs replace\n"
    "their files together, only once both are completely written: both or\n"
    "neither. Refused, with nothing written, when the two outputs are one file or\n"
    "an output is the input of the other kind (OUT.skm over IN.skm is fine).\n"
    "Exit status 1 when the pair cannot be loaded or written, or is refused.\n";

int RunCopy(const ToolArgs* args) {
    if (!ExpectOperands(args, 4)) return 2;
    const char* const* operands = args->operands.data();
    const FileRole roles[] = {{operands[0], "SKM", false},
                              {operands[1], "SKP", false},
                              {operands[2], "SKM", true},
                              {operands[3], "SKP", true}};
    if (!CheckToolOutputs(args->command, roles, 4)) return 1;
    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(args->command, operands[0], operands[1], &model, true, &report)) return 1;
    bool wrote = ExportPairForTool(&model, operands[2], operands[3]);
    fflush(stdout);
    if (!wrote) {
        fprintf(stderr, "boneloom-tool copy: %s was not written\n", operands[2]);
        fprintf(stderr, "boneloom-tool copy: %s was not written\n", operands[3]);
        return 1;
    }
    return 0;
}
