// boneloom-tool: the command-line companion of the viewer. Dispatches the
// first argument to one entry of TOOL_COMMANDS and handles the options every
// command shares (--help, --version).
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/commands.h"

// One line per command; keep them in the order --help lists them.
const ToolCommand TOOL_COMMANDS[] = {
    {"info", "IN.skm IN.skp", "print counts, the bone tree, frame names and meshes", INFO_HELP,
     RunInfo},
    {"check", "IN.skm IN.skp", "list every problem of a model pair (exit 1 when any)", CHECK_HELP,
     RunCheck},
    {"copy", "IN.skm IN.skp OUT.skm OUT.skp", "load a pair as the viewer does and export it",
     COPY_HELP, RunCopy},
    {"sample", "DIR", "write the demo model to DIR/tris.skm and DIR/tris.skp", SAMPLE_HELP,
     RunSample},
    {"logo", "OUT.tga", "write a 64 x 64 demo logo the viewer shows as logo.tga", LOGO_HELP,
     RunLogo},
    {"gltf", "[--fps N] IN.skm IN.skp OUT.glb|OUT.gltf",
     "export a model to glTF 2.0 for other tools", GLTF_HELP, RunGltf},
    {"import", "IN OUT.skm OUT.skp [--anim NAME|INDEX] [--fps N] [--scale S] [--list]",
     "bring a model from glTF, FBX, Collada, OBJ, ... into SKM/SKP", IMPORT_HELP, RunImport},
    {"pose", "IN.skm IN.skp [--press KEYS | --frame N [--t T]]",
     "print every bone's model-space pose after key presses or at a frame", POSE_HELP, RunPose},
    {"rotate", "IN.skm IN.skp OUT.skp [--yaw Y] [--pitch P] [--roll R]",
     "turn the whole model and write the SKP file", ROTATE_HELP, RunRotate},
    {"render", "IN.skm IN.skp OUT.png | --frames DIR | --turntable N DIR [OPTIONS]",
     "draw the posed model into PNG pictures, without a display", RENDER_HELP, RunRender},
};
const size_t TOOL_COMMAND_COUNT = sizeof TOOL_COMMANDS / sizeof TOOL_COMMANDS[0];

// Options that a command parses itself, with the number of values each takes
// ("--fps 24" or "--fps=24"; a flag takes none); they and their values reach
// the command untouched.
struct CommandOption {
    const char* command;
    const char* option;
    int values;
};
const CommandOption COMMAND_OPTIONS[] = {
    {"gltf", "--fps", 1},         {"pose", "--press", 1},     {"pose", "--frame", 1},
    {"pose", "--t", 1},           {"rotate", "--yaw", 1},     {"rotate", "--pitch", 1},
    {"rotate", "--roll", 1},      {"render", "--size", 1},    {"render", "--press", 1},
    {"render", "--frame", 1},     {"render", "--yaw", 1},     {"render", "--pitch", 1},
    {"render", "--distance", 1},  {"render", "--no-mesh", 0}, {"render", "--no-skeleton", 0},
    {"render", "--wireframe", 0}, {"render", "--select", 1},  {"render", "--background", 1},
    {"render", "--weights", 1},   {"render", "--grid", 0},    {"render", "--frames", 1},
    {"render", "--turntable", 2}, {"import", "--anim", 1},    {"import", "--fps", 1},
    {"import", "--scale", 1},     {"import", "--list", 0},
};

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
        fprintf(out, "  %-8s %s\n", TOOL_COMMANDS[i].name, TOOL_COMMANDS[i].summary);
    fprintf(out,
            "\n"
            "Exit status: 0 on success, 1 on failure (or problems found by check),\n"
            "2 on a usage error.\n");
}

void PrintCommandHelp(const ToolCommand* command) {
    printf("usage: boneloom-tool %s %s\n\n%s", command->name, command->args, command->help);
}

bool IsHelp(const char* arg) { return strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0; }

// The option of command that arg spells (alone or as "--option=value"), or null.
const CommandOption* FindCommandOption(const ToolCommand* command, const char* arg) {
    for (const CommandOption& entry : COMMAND_OPTIONS) {
        size_t n = strlen(entry.option);
        if (strcmp(entry.command, command->name) == 0 && strncmp(arg, entry.option, n) == 0 &&
            (arg[n] == '\0' || (arg[n] == '=' && entry.values > 0)))
            return &entry;
    }
    return nullptr;
}

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

bool ExpectOperands(int argc, char** argv, int count) {
    int operands = argc - 1;
    if (operands == count) return true;
    UsageError(argv[0], "expected %i operand%s, got %i", count, count == 1 ? "" : "s", operands);
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
    // Operands that begin with "--" after a "--" are file names; drop the
    // marker so commands see plain operands.
    std::vector<char*> args;
    args.push_back(argv[1]);
    bool seenMarker = false;
    for (int i = 2; i < argc; i++) {
        if (!seenMarker && strcmp(argv[i], "--") == 0) {
            seenMarker = true;
            continue;
        }
        const CommandOption* option = seenMarker ? nullptr : FindCommandOption(command, argv[i]);
        if (option) {
            args.push_back(argv[i]);
            int values = option->values - (strchr(argv[i], '=') ? 1 : 0);
            for (; values > 0 && i + 1 < argc; values--) args.push_back(argv[++i]);
            continue;
        }
        if (!seenMarker && argv[i][0] == '-' && argv[i][1] != '\0')
            return UsageError(command->name, "unknown option '%s'", argv[i]);
        args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    return command->run((int)args.size() - 1, args.data());
}
