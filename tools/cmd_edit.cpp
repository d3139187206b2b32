// boneloom-tool edit: applies editing operations of the shared editing core
// to a model pair, in the order given, and writes both files together.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "edit/edit.h"
#include "model/export.h"
#include "tools/commands.h"

const char EDIT_HELP[] =
    "Loads IN.skm and IN.skp, applies the operations in the order given, each\n"
    "printing one line, and writes OUT.skm and OUT.skp together: both or neither,\n"
    "and only when every operation succeeded. OUT may be IN. Frames, bones and\n"
    "meshes are given by index or by name. Operations may repeat.\n";

const ToolOption EDIT_OPTIONS[] = {
    {"--keep", OPTION_TEXT, "RANGES", "keep only these frames, in this order"},
    {"--drop", OPTION_TEXT, "RANGES", "remove these frames"},
    {"--rename-frame",
     OPTION_TEXT,
     "FRAME NAME",
     "give a frame a new name (at most 63 bytes)",
     {},
     nullptr,
     "--rename-frame needs a frame and a name"},
    {"--rename-bone",
     OPTION_TEXT,
     "BONE NAME",
     "give a bone a new name",
     {},
     nullptr,
     "--rename-bone needs a bone and a name"},
    {"--rename-mesh",
     OPTION_TEXT,
     "MESH NAME",
     "give a mesh a new name",
     {},
     nullptr,
     "--rename-mesh needs a mesh and a name"},
    {"--skin",
     OPTION_TEXT,
     "MESH NAME",
     "give a mesh a new skin name",
     {},
     nullptr,
     "--skin needs a mesh and a name"},
    {"--append", OPTION_TEXT, "OTHER.skp[:RANGES]",
     "append another clip's frames (all, or RANGES of them),\nmatching bones by name; this "
     "model's bones the clip\nlacks keep their frame-0 pose"},
    {"--scale", OPTION_TEXT, "S", "scale the model about its origin by S > 0"},
    {"--delete-bone", OPTION_TEXT, "BONE",
     "remove a bone; its children keep their poses, its\nvertices go to its parent (a root's to "
     "its first\nchild) staying where they are in frame 0"},
    {"--in-place", OPTION_TEXT, "BONE",
     "hold a root bone over its frame-0 spot on the ground\n(x, y) in every frame; height and "
     "turn kept"},
    {"--dry-run", OPTION_FLAG, nullptr, "print the operations' lines, write nothing"},
    {},
};

const char EDIT_NOTES[] =
    "RANGES is a comma list of N, A-B (A above B counts down) and A- (to the last\n"
    "frame), numbered as the model stands when the operation runs: --keep 1-4\n"
    "--drop 0 drops what was frame 1. A result without frames is refused.\n"
    "\n"
    "Exit status 1 when the pair cannot be loaded, an operation refuses its\n"
    "argument, the result passes a limit of the formats (256 bones, 65536\n"
    "frames, 16 MB per file) or cannot be written; nothing is written then.\n"
    "2 on a usage error.\n";

namespace {

enum EditOp {
    OP_KEEP,
    OP_DROP,
    OP_RENAME_FRAME, // the four renames in RENAMERS' order
    OP_RENAME_BONE,
    OP_RENAME_MESH,
    OP_SKIN,
    OP_APPEND,
    OP_SCALE,
    OP_DELETE_BONE,
    OP_IN_PLACE,
};

// The operation each option of EDIT_OPTIONS stands for.
const struct {
    const char* option;
    EditOp op;
} EDIT_OPS[] = {
    {"--keep", OP_KEEP},
    {"--drop", OP_DROP},
    {"--rename-frame", OP_RENAME_FRAME},
    {"--rename-bone", OP_RENAME_BONE},
    {"--rename-mesh", OP_RENAME_MESH},
    {"--skin", OP_SKIN},
    {"--append", OP_APPEND},
    {"--scale", OP_SCALE},
    {"--delete-bone", OP_DELETE_BONE},
    {"--in-place", OP_IN_PLACE},
};

struct EditStep {
    const char* option;
    EditOp op;
    const char* values[2]; // the second for the renames, else null
};

// "--keep 1-4" or "--rename-bone 3 arm": how the step was typed, for its lines;
// a value too long to read in one line is shortened.
std::string StepText(const EditStep& step) {
    std::string text = step.option;
    for (const char* v : step.values) {
        if (!v) continue;
        std::string value = PrintableName(v);
        if (value.size() > 80) value = value.substr(0, 72) + "...";
        text += " " + value;
    }
    return text;
}

std::string Quoted(const char* name) { return "\"" + PrintableName(name) + "\""; }

// OTHER.skp[:RANGES]: the whole text when it names a file, else split at the
// last colon.
void SplitAppendArg(const char* text, std::string* path, std::string* ranges, bool* hasRanges) {
    struct stat info;
    const char* colon = strrchr(text, ':');
    *hasRanges = colon && stat(text, &info) != 0;
    *path = *hasRanges ? std::string(text, (size_t)(colon - text)) : std::string(text);
    *ranges = *hasRanges ? std::string(colon + 1) : std::string();
}

// Each step's runner: on success *line is its summary, else *why says what
// is wrong.
bool KeepOrDropStep(SkelModel* model, const EditStep& step, std::string* line, std::string* why) {
    std::vector<int32_t> frames;
    int32_t before = model->numframes;
    if (!ParseFrameRanges(step.values[0], model->numframes, &frames, why)) return false;
    bool keep = step.op == OP_KEEP;
    if (!(keep ? KeepFrames(model, frames, why) : DropFrames(model, frames, why))) return false;
    char buf[128];
    snprintf(buf, sizeof buf, "%s %i of %i frames, %i now", keep ? "kept" : "dropped",
             keep ? model->numframes : before - model->numframes, before, model->numframes);
    *line = buf;
    return true;
}

bool RenameStep(SkelModel* model, const EditStep& step, std::string* line, std::string* why) {
    // What is renamed: how it is found, its name field and its renamer.
    struct Renamer {
        const char* what;
        bool (*find)(const SkelModel*, const char*, int32_t*, std::string*);
        const char* (*field)(const SkelModel*, int32_t);
        bool (*rename)(SkelModel*, int32_t, const char*, std::string*);
    };
    static const Renamer RENAMERS[] = {
        {"frame", FindFrameArg,
         [](const SkelModel* m, int32_t i) -> const char* { return m->frames[i].name; },
         RenameFrame},
        {"bone", FindBoneArg,
         [](const SkelModel* m, int32_t i) -> const char* { return m->bones[i].name; }, RenameBone},
        {"mesh", FindMeshArg,
         [](const SkelModel* m, int32_t i) -> const char* { return m->meshes[i].meshname; },
         RenameMesh},
        {"skin of mesh", FindMeshArg,
         [](const SkelModel* m, int32_t i) -> const char* { return m->meshes[i].skinname; },
         RenameSkin},
    };
    const Renamer& r = RENAMERS[step.op - OP_RENAME_FRAME];
    const char* name = step.values[1];
    int32_t index = -1;
    if (!r.find(model, step.values[0], &index, why)) return false;
    std::string old = r.field(model, index);
    if (!r.rename(model, index, name, why)) return false;
    *line = std::string(r.what) + " " + std::to_string(index) + " " + Quoted(old.c_str()) +
            " is now " + Quoted(name);
    return true;
}

bool AppendStep(SkelModel* model, const EditStep& step, std::string* line, std::string* why) {
    std::string path, rangeText;
    bool hasRanges = false;
    SplitAppendArg(step.values[0], &path, &rangeText, &hasRanges);
    SkelModel other;
    LoadReport report;
    if (LoadSKPFile(path.c_str(), &other, &report) != LOAD_OK) {
        *why = report.problems.empty() ? "cannot read \"" + path + "\"" : report.problems.back();
        return false;
    }
    std::vector<int32_t> frames;
    if (hasRanges) {
        if (!ParseFrameRanges(rangeText.c_str(), other.numframes, &frames, why)) return false;
    } else {
        for (int32_t f = 0; f < other.numframes; f++) frames.push_back(f);
    }
    AppendCounts counts;
    if (!AppendFrames(model, &other, frames, &counts, why)) return false;
    char buf[256];
    snprintf(buf, sizeof buf,
             "appended %i frames, %i now; bones matched by name %i, posed from frame 0 "
             "%i, ignored %i",
             counts.frames, model->numframes, counts.matched, counts.filled, counts.ignored);
    *line = buf;
    return true;
}

bool ScaleStep(SkelModel* model, const EditStep& step, std::string* line, std::string* why) {
    double s = 0;
    const NumberRule above0 = {0, 3.4e38, NUMBER_ABOVE_LOW};
    if (!ParseNumber(step.values[0], above0, &s) || !((float)s > 0)) {
        *why = "not a number above 0 and below 3.4e38";
        return false;
    }
    if (!ScaleModel(model, (float)s, why)) return false;
    char buf[128];
    snprintf(buf, sizeof buf, "scaled by %g about the origin", (double)(float)s);
    *line = buf;
    return true;
}

bool DeleteBoneStep(SkelModel* model, const EditStep& step, std::string* line, std::string* why) {
    int32_t index = -1;
    if (!FindBoneArg(model, step.values[0], &index, why)) return false;
    std::string name = model->bones[index].name;
    int32_t parent = model->bones[index].parent, children = 0, heir = parent;
    for (int32_t c = 0; c < model->numbones; c++)
        if (model->bones[c].parent == index) {
            children++;
            if (heir < 0) heir = c;
        }
    std::string heirName = heir >= 0 ? model->bones[heir].name : "";
    if (!DeleteBone(model, index, why)) return false;
    *line = "removed bone " + std::to_string(index) + " " + Quoted(name.c_str()) + "; ";
    if (children > 0)
        *line += std::to_string(children) + (children == 1 ? " child to " : " children to ") +
                 (parent >= 0 ? Quoted(heirName.c_str()) : std::string("the roots")) + ", ";
    if (heir >= 0) *line += "its weights to " + Quoted(heirName.c_str()) + ", ";
    *line += std::to_string(model->numbones) + " bones now";
    return true;
}

bool InPlaceStep(SkelModel* model, const EditStep& step, std::string* line, std::string* why) {
    int32_t index = -1;
    if (!FindBoneArg(model, step.values[0], &index, why)) return false;
    if (!MakeInPlace(model, index, why)) return false;
    const float* at = model->frames[0].poses[index].origin;
    char buf[256];
    snprintf(buf, sizeof buf, "bone %i %s held at x %g, y %g in %i frames", index,
             Quoted(model->bones[index].name).c_str(), at[0], at[1], model->numframes);
    *line = buf;
    return true;
}

bool RunStep(SkelModel* model, const EditStep& step, std::string* line, std::string* why) {
    switch (step.op) {
        case OP_KEEP:
        case OP_DROP:
            return KeepOrDropStep(model, step, line, why);
        case OP_RENAME_FRAME:
        case OP_RENAME_BONE:
        case OP_RENAME_MESH:
        case OP_SKIN:
            return RenameStep(model, step, line, why);
        case OP_APPEND:
            return AppendStep(model, step, line, why);
        case OP_SCALE:
            return ScaleStep(model, step, line, why);
        case OP_DELETE_BONE:
            return DeleteBoneStep(model, step, line, why);
        case OP_IN_PLACE:
            return InPlaceStep(model, step, line, why);
    }
    return false;
}

} // namespace

int RunEdit(const ToolArgs* args) {
    const char* command = args->command;
    std::vector<EditStep> steps;
    for (const GivenOption& given : args->given)
        for (const auto& entry : EDIT_OPS)
            if (strcmp(given.option->name, entry.option) == 0)
                steps.push_back(EditStep{entry.option, entry.op, {given.text, given.operand}});
    if (!ExpectOperands(args, 4)) return 2;
    if (steps.empty()) return UsageError(command, "no operation given");
    const std::vector<const char*>& operands = args->operands;
    const bool dryRun = IsGiven(args, "--dry-run");

    std::vector<FileRole> roles = {{operands[0], "SKM", false},
                                   {operands[1], "SKP", false},
                                   {operands[2], "SKM", true},
                                   {operands[3], "SKP", true}};
    std::vector<std::string> appended;
    for (const EditStep& step : steps)
        if (step.op == OP_APPEND) {
            std::string path, ranges;
            bool hasRanges = false;
            SplitAppendArg(step.values[0], &path, &ranges, &hasRanges);
            appended.push_back(path);
        }
    for (const std::string& path : appended) roles.push_back({path.c_str(), "SKP", false});
    if (!CheckToolOutputs(command, roles.data(), roles.size())) return 1;

    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(command, operands[0], operands[1], &model, false, &report)) return 1;
    for (const EditStep& step : steps) {
        std::string line, why;
        if (!RunStep(&model, step, &line, &why)) {
            fflush(stdout);
            fprintf(stderr, "boneloom-tool edit: %s: %s; nothing written\n", StepText(step).c_str(),
                    why.c_str());
            return 1;
        }
        printf("%s: %s\n", StepText(step).c_str(), line.c_str());
    }
    std::string why;
    if (!CheckWriteLimits(&model, &why)) {
        fflush(stdout);
        fprintf(stderr, "boneloom-tool edit: %s; nothing written\n", why.c_str());
        return 1;
    }
    if (dryRun) {
        printf("dry run: nothing written\n");
        return 0;
    }
    bool wrote = ExportPairForTool(&model, operands[2], operands[3]);
    fflush(stdout);
    if (!wrote) {
        fprintf(stderr, "boneloom-tool edit: %s and %s were not written\n", operands[2],
                operands[3]);
        return 1;
    }
    return 0;
}
