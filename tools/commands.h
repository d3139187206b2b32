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
#include "tools/options.h"

constexpr const char* TOOL_VERSION = "0.1.0";

struct ToolCommand {
    const char* name;          // as typed after boneloom-tool
    const char* args;          // operands, for the usage line: "IN.skm IN.skp"
    const char* summary;       // one line for the command list
    const char* help;          // what --help prints below the usage line, before the options
    const ToolOption* options; // the command's options (see tools/options.h); null for none
    const char* notes;         // what --help prints after the options; null for nothing
    // Runs the command on its operands and options, read from the command
    // line before (--help, unknown options, missing or bad values are handled
    // there). Returns the exit status: 0 success, 1 failure, 2 usage error.
    int (*run)(const ToolArgs* args);
};

extern const ToolCommand TOOL_COMMANDS[];
extern const size_t TOOL_COMMAND_COUNT;

// Prints "boneloom-tool CMD: message" and the command's usage line to stderr;
// returns 2 for the caller to return.
int UsageError(const char* command, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Checks that args holds exactly count operands; otherwise reports a usage
// error and returns false.
bool ExpectOperands(const ToolArgs* args, size_t count);

// Loads an SKM + SKP pair. With echo the reader's console text goes to
// stdout as the viewer prints it; without, a failed load prints only its
// fatal line to stderr. Returns true when the pair loaded.
bool LoadPairForTool(const char* command, const char* skmPath, const char* skpPath,
                     SkelModel* model, bool echo, LoadReport* report);
// ExportModelPair / ExportSKPFile in an image buffer of the command's own,
// their lines on stdout as the viewer prints them. True when written.
bool ExportPairForTool(const SkelModel* model, const char* skmPath, const char* skpPath);
bool ExportSKPForTool(const SkelModel* model, const char* path);

// The model-space pose of every bone (PoseCount entries) and the key list
// after releasing each byte of keys in order as the viewer's keyboard does,
// every key channel starting as a load leaves it (at frame 1).
void PoseAfterKeys(const SkelModel* model, const std::string& keys, std::vector<BonePose>* pose,
                   FrameKeys* list);

// Checks a command's files with CheckOutputClashes before anything is read or
// written; on a clash prints "boneloom-tool CMD: REASON; nothing written" to
// stderr and returns false (the command then exits with status 1).
bool CheckToolOutputs(const char* command, const FileRole* roles, size_t count);

// A name as it can be shown on a terminal: control bytes become \xNN.
std::string PrintableName(const char* name);

int RunPose(const ToolArgs* args);
int RunRotate(const ToolArgs* args);
int RunInfo(const ToolArgs* args);
int RunCheck(const ToolArgs* args);
int RunCopy(const ToolArgs* args);
int RunSample(const ToolArgs* args);
int RunLogo(const ToolArgs* args);
int RunGltf(const ToolArgs* args);
int RunRender(const ToolArgs* args);
int RunImport(const ToolArgs* args);
int RunEdit(const ToolArgs* args);
int RunThumbnail(const ToolArgs* args);

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
extern const char EDIT_HELP[];
extern const char EDIT_NOTES[];
extern const ToolOption EDIT_OPTIONS[];
extern const char THUMBNAIL_HELP[];
extern const char THUMBNAIL_NOTES[];
extern const char IMPORT_NOTES[];
extern const char GLTF_NOTES[];
extern const char POSE_NOTES[];
extern const char ROTATE_NOTES[];
extern const char RENDER_NOTES[];
extern const ToolOption IMPORT_OPTIONS[];
extern const ToolOption GLTF_OPTIONS[];
extern const ToolOption POSE_OPTIONS[];
extern const ToolOption ROTATE_OPTIONS[];
extern const ToolOption RENDER_OPTIONS[];
extern const ToolOption THUMBNAIL_OPTIONS[];
