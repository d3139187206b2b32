// boneloom-tool's command table and the helpers its commands share. A command
// is one function in its own file plus one line in TOOL_COMMANDS (main.cpp).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "model/file_io.h"
#include "model/load.h"
#include "model/model.h"
#include "pose/channels.h"

constexpr const char* TOOL_VERSION = "0.1.0";

struct ToolCommand {
    const char* name;    // as typed after boneloom-tool
    const char* args;    // operands, for the usage line: "IN.skm IN.skp"
    const char* summary; // one line for the command list
    const char* help;    // what --help prints below the usage line
    // Runs the command. argv[0] is the command name, argv[1..argc-1] its
    // operands (--help, unknown options and "--" are handled before). Returns the exit status:
    // 0 success, 1 failure, 2 usage error.
    int (*run)(int argc, char** argv);
};

extern const ToolCommand TOOL_COMMANDS[];
extern const size_t TOOL_COMMAND_COUNT;

// Prints "boneloom-tool CMD: message" and the command's usage line to stderr;
// returns 2 for the caller to return.
int UsageError(const char* command, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Checks that argv holds exactly count operands; otherwise reports a usage
// error and returns false. (Options were rejected before the command runs.)
bool ExpectOperands(int argc, char** argv, int count);

// Loads an SKM + SKP pair. With echo the reader's console text goes to
// stdout as the viewer prints it; without, a failed load prints only its
// fatal line to stderr. Returns true when the pair loaded.
bool LoadPairForTool(const char* command, const char* skmPath, const char* skpPath,
                     SkelModel* model, bool echo, LoadReport* report);

// The model-space pose of every bone (PoseCount entries) and the key list
// after releasing each byte of keys in order as the viewer's keyboard does,
// every key channel starting as a load leaves it (at frame 1).
void PoseAfterKeys(const SkelModel* model, const std::string& keys, std::vector<BonePose>* pose,
                   FrameKeys* list);

// Checks a command's files with CheckOutputClashes before anything is read or
// written; on a clash prints "boneloom-tool CMD: REASON; nothing written" to
// stderr and returns false (the command then exits with status 1).
bool CheckToolOutputs(const char* command, const FileRole* roles, size_t count);

// The value of option name at argv[*i], given as "--name V" (*i then steps
// past V) or "--name=V"; null when argv[*i] is not that option, with *missing
// set when V is absent.
const char* OptionValue(int argc, char** argv, int* i, const char* name, bool* missing);
// A finite decimal number above 0 and at most limit, the whole of text.
bool ParsePositive(const char* text, double limit, double* out);

// A name as it can be shown on a terminal: control bytes become \xNN.
std::string PrintableName(const char* name);

int RunPose(int argc, char** argv);
int RunRotate(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunCheck(int argc, char** argv);
int RunCopy(int argc, char** argv);
int RunSample(int argc, char** argv);
int RunLogo(int argc, char** argv);
int RunGltf(int argc, char** argv);
int RunRender(int argc, char** argv);
int RunImport(int argc, char** argv);
int RunThumbnail(int argc, char** argv);

extern const char POSE_HELP[];
extern const char ROTATE_HELP[];
extern const char INFO_HELP[];
extern const char CHECK_HELP[];
extern const char COPY_HELP[];
extern const char SAMPLE_HELP[];
extern const char LOGO_HELP[];
extern const char GLTF_HELP[];
extern const char RENDER_HELP[];
extern const char IMPORT_HELP[];
extern const char THUMBNAIL_HELP[];
