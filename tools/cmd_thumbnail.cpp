// boneloom-tool thumbnail: the picture a file manager shows for an SKM or SKP
// file. Either file of a pair is given; the other is found beside it. The
// picture is drawn by `render` (same off-screen path, same framing) from a
// three-quarter view onto a transparent background.
//
// File managers run thumbnailers in a sandbox: no display, a read-only view
// of the files, one writable place for the picture, and nobody reading the
// console. So the command needs no X server, writes nothing but OUT (staged
// beside it and renamed, as every output), keeps Mesa from filling a shader
// cache in the home folder, and on failure says nothing and exits 1.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/offscreen.h"
#include "tools/commands.h"

const char THUMBNAIL_HELP[] =
    "Draws the thumbnail a file manager shows for a model: an N x N PNG of the\n"
    "model in its default pose from a three-quarter view, the meshes when it has\n"
    "any (else the skeleton), on a transparent background. IN is either file of\n"
    "the pair: the other is the same path with the other extension, .skm or .skp\n"
    "in any case. Needs no X display.\n";

const ToolOption THUMBNAIL_OPTIONS[] = {
    {"--size",
     OPTION_NUMBER,
     "N",
     "width and height in pixels, 1 to 4096 (default 256)",
     {1, OFFSCREEN_MAX_SIZE, NUMBER_WHOLE},
     "a whole number of pixels, 1 to 4096"},
    {},
};

const char THUMBNAIL_NOTES[] =
    "Made to run as the desktop's thumbnailer (boneloom-tool thumbnail --size %s\n"
    "%i %o): it writes nothing but OUT.png and prints nothing; exit status 1,\n"
    "with OUT.png untouched, when the pair cannot be read or drawn or OUT.png\n"
    "cannot be written; 2 on a usage error.\n";

namespace {

constexpr int THUMBNAIL_DEFAULT_SIZE = 256;
// A view from the front right and a little above, as a product shot.
constexpr const char* THUMBNAIL_YAW = "-35";
constexpr const char* THUMBNAIL_PITCH = "20";

// The partner of path (whose extension is ext, lower case): the same name
// with the other extension. The extension's own letter case is tried first
// (tris.SKM -> tris.SKP), then any case found in the folder. "" when none.
std::string FindPartner(const std::string& path, const std::string& ext) {
    std::string mirrored = PairPartnerPath(path);
    if (IsRegularFile(mirrored)) return mirrored;

    std::string stem = path.substr(0, path.size() - 3);
    size_t slash = stem.rfind('/');
    std::string dir = slash == std::string::npos ? "" : stem.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? stem : stem.substr(slash + 1);
    std::string found = CaselessEntry(dir, name + (ext == "skm" ? "skp" : "skm"));
    return !found.empty() && IsRegularFile(dir + found) ? dir + found : "";
}

// Sends stdout and stderr (ours, and whatever the GL driver prints) nowhere.
void SilenceConsole() {
    fflush(stdout);
    fflush(stderr);
    int null = open("/dev/null", O_WRONLY);
    if (null < 0) return;
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
}

} // namespace

int RunThumbnail(const ToolArgs* args) {
    const char* command = args->command;
    int size = (int)GivenNumber(args, "--size", THUMBNAIL_DEFAULT_SIZE);
    if (!ExpectOperands(args, 2)) return 2;
    const std::vector<const char*>& operands = args->operands;

    SilenceConsole();
    std::string in = operands[0];
    std::string ext = PairExtension(in);
    if (ext.empty() || !IsRegularFile(in)) return 1;
    std::string partner = FindPartner(in, ext);
    if (partner.empty()) return 1;
    std::string skm = ext == "skm" ? in : partner;
    std::string skp = ext == "skm" ? partner : in;

    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(command, skm.c_str(), skp.c_str(), &model, false, &report)) return 1;
    bool meshes = model.nummeshes > 0;
    // Mesa keeps compiled shaders in ~/.cache by default: a thumbnailer may
    // write nowhere but its output.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    // A small picture, and file managers start several thumbnailers at once:
    // Mesa's software renderer then draws faster in the calling thread than
    // by starting one thread per core for each picture (unless told otherwise).
    setenv("LP_NUM_THREADS", "0", 0);
    std::string sizeText = std::to_string(size) + "x" + std::to_string(size);
    std::vector<const char*> words = {"--size",  sizeText.c_str(), "--yaw",        THUMBNAIL_YAW,
                                      "--pitch", THUMBNAIL_PITCH,  "--background", "none",
                                      "--",      skm.c_str(),      skp.c_str(),    operands[1]};
    if (meshes) words.insert(words.begin(), "--no-skeleton");
    ToolArgs render;
    std::string problem;
    if (!ParseCommandLine("render", RENDER_OPTIONS, (int)words.size(),
                          const_cast<char**>(words.data()), &render, &problem))
        return 1;
    return RunRender(&render) == 0 ? 0 : 1;
}
