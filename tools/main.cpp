// boneloom-tool: the command-line companion of the viewer. Dispatches the
// first argument to one entry of TOOL_COMMANDS and handles the options every
// command shares (--help, --version).
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/commands.h"

// One line per command; keep them in the order --help lists them.
const ToolCommand TOOL_COMMANDS[] = {
    {"info", "IN.skm IN.skp", "print counts, the bone tree, frame names and meshes", INFO_HELP,
     nullptr, nullptr, RunInfo},
    {"check", "IN.skm IN.skp", "list every problem of a model pair (exit 1 when any)", CHECK_HELP,
     nullptr, nullptr, RunCheck},
    {"copy", "IN.skm IN.skp OUT.skm OUT.skp", "load a pair as the viewer does and export it",
     COPY_HELP, nullptr, nullptr, RunCopy},
    {"sample", "DIR", "write the demo model to DIR/tris.skm and DIR/tris.skp", SAMPLE_HELP, nullptr,
     nullptr, RunSample},
    {"logo", "OUT.tga", "write a 64 x 64 demo logo the viewer shows as logo.tga", LOGO_HELP,
     nullptr, nullptr, RunLogo},
    {"gltf", "[--fps N] IN.skm IN.skp OUT.glb|OUT.gltf",
     "export a model to glTF 2.0 for other tools", GLTF_HELP, GLTF_OPTIONS, GLTF_NOTES, RunGltf},
    {"import", "IN OUT.skm OUT.skp [--anim NAME|INDEX] [--fps N] [--scale S] [--list]",
     "bring a model from glTF, FBX, Collada, OBJ, ... into SKM/SKP", IMPORT_HELP, IMPORT_OPTIONS,
     IMPORT_NOTES, RunImport},
    {"pose", "IN.skm IN.skp [--press KEYS | --frame N [--t T]]",
     "print every bone's model-space pose after key presses or at a frame", POSE_HELP, POSE_OPTIONS,
     POSE_NOTES, RunPose},
    {"rotate", "IN.skm IN.skp OUT.skp [--yaw Y] [--pitch P] [--roll R]",
     "turn the whole model and write the SKP file", ROTATE_HELP, ROTATE_OPTIONS, ROTATE_NOTES,
     RunRotate},
    {"edit", "IN.skm IN.skp OUT.skm OUT.skp OPERATION... [--dry-run]",
     "cut, join, rename, rescale and clean up a model and its frames", EDIT_HELP, EDIT_OPTIONS,
     EDIT_NOTES, RunEdit},
    {"render", "IN.skm IN.skp OUT.png | --frames DIR | --turntable N DIR [OPTIONS]",
     "draw the posed model into PNG pictures, without a display", RENDER_HELP, RENDER_OPTIONS,
     RENDER_NOTES, RunRender},
    {"thumbnail", "[--size N] IN OUT.png",
     "draw a file manager's thumbnail of a model, given either file", THUMBNAIL_HELP,
     THUMBNAIL_OPTIONS, THUMBNAIL_NOTES, RunThumbnail},
};
const size_t TOOL_COMMAND_COUNT = sizeof TOOL_COMMANDS / sizeof TOOL_COMMANDS[0];

namespace {

const ToolCommand* FindCommand(const char* name) {
    for (size_t i = 0; i < TOOL_COMMAND_COUNT; i++)
        if (strcmp(TOOL_COMMANDS[i].name, name) == 0) return &TOOL_COMMANDS[i];
    return nullptr;
}

void PrintUsage(FILE* out) {
    fprintf(out,
            "usage: boneloom-tool COMMAND [ARGS...]\n"
            "       boneloom-tool COMMAND --help\n"
            "       boneloom-tool --version\n"
            "\n"
            "Reads and writes boneloom's SKM mesh and SKP pose files.\n"
            "\n"
            "commands:\n");
    for (size_t i = 0; i < TOOL_COMMAND_COUNT; i++)
        fprintf(out, "  %-9s %s\n", TOOL_COMMANDS[i].name, TOOL_COMMANDS[i].summary);
    fprintf(out,
            "\n"
            "Exit status: 0 on success, 1 on failure (or problems found by check),\n"
            "2 on a usage error.\n");
}

void PrintCommandHelp(const ToolCommand* command) {
    printf("usage: boneloom-tool %s %s\n\n%s", command->name, command->args, command->help);
    PrintOptionHelp(stdout, command->options);
    if (command->notes) printf("\n%s", command->notes);
}

bool IsHelp(const char* arg) { return strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0; }

} // namespace

int UsageError(const char* command, const char* format, ...) {
    fprintf(stderr, "boneloom-tool %s: ", command);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fputc('\n', stderr);
    const ToolCommand* entry = FindCommand(command);
    if (entry) fprintf(stderr, "usage: boneloom-tool %s %s\n", entry->name, entry->args);
    return 2;
}

bool ExpectOperands(const ToolArgs* args, size_t count) {
    size_t operands = args->operands.size();
    if (operands == count) return true;
    UsageError(args->command, "expected %zu operand%s, got %zu", count, count == 1 ? "" : "s",
               operands);
    return false;
}

int main(int argc, char** argv) {
    // Past a file size limit, let the write fail and the exporter clean up
    // and report, rather than being killed with a temporary file left over.
    signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const char* first = argv[1];
    if (IsHelp(first) || strcmp(first, "help") == 0) {
        if (argc > 2 && strcmp(first, "help") == 0) {
            const ToolCommand* command = FindCommand(argv[2]);
            if (!command) {
                fprintf(stderr, "boneloom-tool: unknown command '%s' (see boneloom-tool --help)\n",
                        argv[2]);
                return 2;
            }
            PrintCommandHelp(command);
            return 0;
        }
        PrintUsage(stdout);
        return 0;
    }
    if (strcmp(first, "--version") == 0) {
        printf("boneloom-tool %s\n", TOOL_VERSION);
        return 0;
    }
    const ToolCommand* command = FindCommand(first);
    if (!command) {
        fprintf(stderr, "boneloom-tool: unknown command '%s' (see boneloom-tool --help)\n", first);
        return 2;
    }
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--") == 0) break;
        if (IsHelp(argv[i])) {
            PrintCommandHelp(command);
            return 0;
        }
    }
    ToolArgs args;
    std::string problem;
    if (!ParseCommandLine(command->name, command->options, argc - 2, argv + 2, &args, &problem))
        return UsageError(command->name, "%s", problem.c_str());
    return command->run(&args);
}
