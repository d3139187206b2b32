// boneloom-tool check: every problem of a model pair — the readers' warnings,
// names cut to fit, parents that are not earlier bones, and the model rules
// the viewer relies on — one line each, then notes on weights that other
// tools may skin differently.
#include <cstdio>

#include "model/validate.h"
#include "tools/commands.h"

const char CHECK_HELP[] =
    "Loads IN.skm and IN.skp and lists every problem found, one per line: the\n"
    "readers' warnings (type, size and count limits), names without a terminating\n"
    "NUL, bones whose parent is not an earlier bone, fewer than two bones or no\n"
    "frame, frames without one pose per bone, weights on bones that do not exist,\n"
    "triangle indices outside their mesh, bone references out of range, and\n"
    "vertices without a weight on an existing bone (they are not drawn).\n"
    "Vertices whose influences do not add up to 1 (within 1e-3) are listed as\n"
    "notes, which do not fail the check: the viewer draws them scaled toward (or\n"
    "away from) the model origin, where tools that rescale weights do not.\n"
    "A file that cannot be loaded is reported as one problem.\n"
    "\n"
    "Exit status: 0 when no problem is found, 1 when any is, 2 on a usage error.\n";

int RunCheck(const ToolArgs* args) {
    if (!ExpectOperands(args, 2)) return 2;
    const char* const* operands = args->operands.data();
    SkelModel model;
    LoadReport report;
    LoadStatus status = LoadModelPair(operands[0], operands[1], &model, &report);
    std::vector<std::string> problems = report.problems, notes;
    if (status == LOAD_OK) {
        CheckModel(&model, operands[0], operands[1], &problems, &notes);
    }
    for (const std::string& line : problems) printf("%s\n", line.c_str());
    for (const std::string& line : notes) printf("%s\n", line.c_str());
    if (problems.empty()) {
        printf("%s, %s: no problems found\n", operands[0], operands[1]);
        return 0;
    }
    printf("%s, %s: %zu problem%s found%s\n", operands[0], operands[1], problems.size(),
           problems.size() == 1 ? "" : "s",
           status == LOAD_OK ? "" : " (the pair cannot be loaded)");
    return 1;
}
