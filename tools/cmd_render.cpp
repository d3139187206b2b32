// boneloom-tool render: draws a posed model without a display, through the
// viewer's own renderer in an off-screen GL context, and writes PNG pictures:
// one, one per pose frame (--frames), or a turn around the model (--turntable).
#include <unistd.h>

#include <GL/gl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "image/png.h"
#include "model/file_io.h"
#include "render/texture.h"
#include "pose/compose.h"
#include "pose/skin.h"
#include "render/framing.h"
#include "render/offscreen.h"
#include "render/render.h"
#include "tools/commands.h"

const char RENDER_HELP[] =
    "Draws the posed model as the viewer does (skeleton, and the skinned mesh\n"
    "where the renderer draws one) into an off-screen OpenGL context and writes\n"
    "PNG pictures. Needs no X display: Mesa's EGL draws on its own.\n"
    "\n"
    "What is drawn: one picture OUT.png, or with --frames or --turntable a set\n"
    "of pictures in a directory instead.\n";

constexpr int TURNTABLE_MAX = 3600;

const ToolOption RENDER_OPTIONS[] = {
    {"--frames", OPTION_TEXT, "DIR",
     "instead of OUT.png: one picture per pose frame, every\n"
     "bone at that frame, DIR/frame_0000.png ... (DIR is\n"
     "created when missing; one camera for all of them)"},
    {"--turntable",
     OPTION_NUMBER,
     "N DIR",
     "instead of OUT.png: N pictures turning around the model\n"
     "by 360/N degrees each, DIR/turn_0000.png ...",
     {1, TURNTABLE_MAX, NUMBER_WHOLE},
     "a count of 1 to 3600",
     "--turntable needs N and a directory"},
    {"--size", OPTION_TEXT, "WxH", "picture size, 1 to 4096 each (default 640x480)"},
    {"--press", OPTION_TEXT, "KEYS",
     "key releases as in the viewer and `pose`: every channel\n"
     "starts at frame 1 (the default pose)"},
    {"--frame",
     OPTION_NUMBER,
     "N",
     "every bone at pose frame N instead (not with --press)",
     {0, MAX_FRAMES, NUMBER_WHOLE},
     "a frame number"},
    {"--yaw",
     OPTION_NUMBER,
     "D",
     "orbit angle in degrees about the vertical axis (a\n"
     "sideways drag in the viewer; default 0: the viewer's\n"
     "start view)",
     {-1e30, 1e30},
     "a number of degrees"},
    {"--pitch",
     OPTION_NUMBER,
     "D",
     "orbit angle in degrees about the horizontal axis\n(default 0)",
     {-1e30, 1e30},
     "a number of degrees"},
    {"--distance",
     OPTION_NUMBER,
     "D",
     "the viewer's orbit camera at distance D, without pan;\n"
     "by default pan and distance frame the whole posed\n"
     "model (its bounding box) so that it fills the picture",
     {0, 1e30, NUMBER_ABOVE_LOW}},
    {"--no-mesh", OPTION_FLAG, nullptr, "leave the mesh out"},
    {"--no-skeleton", OPTION_FLAG, nullptr, "leave the skeleton out"},
    {"--wireframe", OPTION_FLAG, nullptr, "polygons as lines, as the viewer's Wireframe option"},
    {"--select", OPTION_TEXT, "BONE", "draw that bone's line red; an index or a bone name"},
    {"--weights", OPTION_TEXT, "BONE",
     "colour the mesh by that bone's influence on each vertex\n"
     "(index or name): dark blue 0, green, yellow, red 1;\n"
     "magenta where a vertex has no usable weight"},
    {"--grid", OPTION_FLAG, nullptr, "the ground grid (model z = 0), X axis red, Y green"},
    {"--background", OPTION_TEXT, "RRGGBB",
     "background colour in hex (default 000000), or none:\n"
     "a transparent background (an RGBA picture)"},
    TEXTURES_OPTION,
    {},
};

const char RENDER_NOTES[] =
    "The pictures replace their files together, once all are complete; when one\n"
    "cannot be written, every file stays as it was. OUT.png may not be one of\n"
    "the inputs. Exit status 1 when the pair cannot be loaded, no OpenGL driver\n"
    "can draw off screen, or a picture cannot be written or is refused; 2 on a\n"
    "usage error (bad size, unknown bone, frame past the end).\n";

namespace {

struct RenderRequest {
    const char* skm = nullptr;
    const char* skp = nullptr;
    const char* out = nullptr; // one picture, or null with --frames / --turntable
    int width = 640;
    int height = 480;
    std::string keys;
    bool pressed = false;
    int64_t frame = -1; // --frame, -1 when not given
    float yaw = 0.0f;
    float pitch = 0.0f;
    float distance = 0.0f; // > 0 when given
    const char* select = nullptr;
    const char* weights = nullptr;
    const char* framesDir = nullptr;
    const char* turntableDir = nullptr;
    int turntable = 0;
    SkinSearch skins; // the model's folder, then --textures DIR in order
    int channels = 3; // 4 with --background none: alpha 0 behind the model
    RenderOptions options;
};

// One picture: where it goes, the pose and the camera.
struct Picture {
    std::string path;
    int32_t frame; // pose frame, or -1 for the pose of --press / --frame
    RenderCamera camera;
};

bool ParseSize(const char* text, int* width, int* height) {
    const char* x = strchr(text, 'x');
    if (!x) return false;
    std::string w(text, (size_t)(x - text));
    const NumberRule side = {1, OFFSCREEN_MAX_SIZE, NUMBER_WHOLE};
    double a = 0, b = 0;
    if (!ParseNumber(w.c_str(), side, &a) || !ParseNumber(x + 1, side, &b)) return false;
    *width = (int)a;
    *height = (int)b;
    return true;
}

bool ParseColour(const char* text, float* rgb) {
    if (*text == '#') text++;
    if (strlen(text) != 6) return false;
    for (int i = 0; i < 6; i++)
        if (!isxdigit((unsigned char)text[i])) return false;
    unsigned long v = strtoul(text, nullptr, 16);
    for (int c = 0; c < 3; c++) rgb[c] = (float)((v >> (16 - 8 * c)) & 0xFF) / 255.0f;
    return true;
}

// The options into *r; returns 0, or the usage error's status.
int ReadRenderOptions(const ToolArgs* args, RenderRequest* r) {
    const char* command = args->command;
    r->options.show_mesh = !IsGiven(args, "--no-mesh");
    r->options.show_skeleton = !IsGiven(args, "--no-skeleton");
    r->options.wireframe = IsGiven(args, "--wireframe");
    r->options.show_grid = IsGiven(args, "--grid");
    // Values are checked in the order they were given, so the first bad one is told.
    for (const GivenOption& given : args->given) {
        std::string name = given.option->name;
        const char* value = given.text;
        if (name == "--size" && !ParseSize(value, &r->width, &r->height))
            return UsageError(command, "--size wants WxH, each 1 to %d, not '%s'",
                              OFFSCREEN_MAX_SIZE, value);
        if (name == "--background") {
            r->channels = strcmp(value, "none") == 0 ? 4 : 3;
            if (r->channels == 3 && !ParseColour(value, r->options.background))
                return UsageError(
                    command, "--background wants a colour RRGGBB in hex or none, not '%s'", value);
        }
        if (name == "--press") {
            r->keys += value;
            r->pressed = true;
        }
    }
    r->frame = (int64_t)GivenNumber(args, "--frame", -1);
    r->yaw = (float)GivenNumber(args, "--yaw", 0);
    r->pitch = (float)GivenNumber(args, "--pitch", 0);
    r->distance = (float)GivenNumber(args, "--distance", 0);
    r->select = GivenText(args, "--select");
    r->weights = GivenText(args, "--weights");
    r->framesDir = GivenText(args, "--frames");
    if (const GivenOption* turntable = FindGiven(args, "--turntable")) {
        r->turntable = (int)turntable->number;
        r->turntableDir = turntable->operand;
    }
    return 0;
}

// Reads the command line into *r; returns 0, or the usage error's status.
int ParseRequest(const ToolArgs* args, RenderRequest* r) {
    const char* command = args->command;
    if (int status = ReadRenderOptions(args, r)) return status;
    if (r->pressed && r->frame >= 0)
        return UsageError(command, "--press and --frame choose the pose two ways; give one");
    if (r->framesDir && (r->pressed || r->frame >= 0))
        return UsageError(command, "--frames draws every frame; it takes no --press or --frame");
    if (r->framesDir && r->turntableDir)
        return UsageError(command, "--frames and --turntable cannot be combined");
    if (!ExpectOperands(args, r->framesDir || r->turntableDir ? 2 : 3)) return 2;
    r->skm = args->operands[0];
    r->skp = args->operands[1];
    if (args->operands.size() == 3) r->out = args->operands[2];
    r->skins = ToolSkinSearch(args, r->skm);
    return 0;
}

// The bone that --select names: an index, else a bone name; -1 when none.
int32_t FindBone(const SkelModel* model, const char* text) {
    int32_t count = UsableBones(model);
    double index = 0;
    if (ParseNumber(text, {0, INT32_MAX, NUMBER_WHOLE}, &index))
        return index < count ? (int32_t)index : -1;
    for (int32_t i = 0; i < count; i++)
        if (strncmp(model->bones[i].name, text, NAME_LEN) == 0) return i;
    return -1;
}

// The model-space pose of a picture into *pose: every bone at frame when it
// is 0 or more, else the request's pose (key presses, or every bone at --frame).
void PoseFor(SkelModel* model, const RenderRequest* r, int32_t frame, std::vector<BonePose>* pose) {
    if (frame < 0 && r->frame >= 0) frame = (int32_t)r->frame;
    if (frame >= 0) {
        pose->resize((size_t)PoseCount(model));
        FrameLocalPoses(model, frame, pose->data());
        ComposePose(model, pose->data(), pose->data());
    } else {
        FrameKeys list;
        PoseAfterKeys(model, r->keys, pose, &list);
    }
}

// Skins the meshes for framing, when they are drawn.
void SkinForFit(const SkelModel* model, const std::vector<BonePose>& pose,
                const RenderOptions* options, MeshBuffers* buffers) {
    if (options->show_mesh)
        PoseSkinnedModel(model, pose.data(), (int32_t)pose.size(), &buffers->skinned);
}

// What the picture shows, for the default camera: the skeleton's cubes and
// the drawn vertices of the meshes as SkinForFit left them.
void AddDrawnToFit(const std::vector<BonePose>& pose, const RenderOptions* options,
                   const MeshBuffers* buffers, ViewFit* fit) {
    if (options->show_skeleton)
        AddPoseToFit(pose.data(), (int32_t)pose.size(), BONE_CUBE_HALF, fit);
    if (!options->show_mesh) return;
    for (const SkinnedMesh& mesh : buffers->skinned)
        for (size_t v = 0; v < mesh.drawn.size(); v++)
            if (mesh.drawn[v]) AddPointsToFit(&mesh.positions[3 * v], 1, fit);
}

// Draws one picture and stages it as PNG, to be committed with the others.
bool DrawPicture(const OffscreenContext* gl, const SkelModel* model,
                 const std::vector<BonePose>& pose, const RenderCamera* camera,
                 const RenderOptions* options, int channels, const char* path, StagedFile* staged,
                 std::string* reason) {
    ClearRenderTarget(options);
    SetRenderViewport(0, 0, gl->width, gl->height);
    ApplyRenderCamera(camera);
    RenderModel(model, pose.data(), (int32_t)pose.size(), options);
    std::vector<uint8_t> pixels, png;
    return ReadOffscreenPixels(gl, channels, &pixels, reason) &&
           EncodePNG(pixels.data(), gl->width, gl->height, channels, &png, reason) &&
           StageFile(path, png.data(), png.size(), staged, reason);
}

// Where each picture goes and its camera: for a strip one camera framing
// every frame's pose, else one view per turn at one distance all the way
// round. *pose is left as the request's pose (key presses or --frame).
std::vector<Picture> PlanPictures(SkelModel* model, const RenderRequest* r, MeshBuffers* meshes,
                                  std::vector<BonePose>* pose) {
    double aspect = (double)r->width / (double)r->height;
    std::vector<Picture> pictures;
    // --distance places the camera itself: nothing to frame.
    bool framing = r->distance <= 0;
    if (r->framesDir) {
        // One camera for the whole strip, framing every frame's pose.
        ViewFit fit = StartViewFit(r->yaw, r->pitch, aspect);
        for (int32_t f = 0; f < model->numframes && framing; f++) {
            PoseFor(model, r, f, pose);
            SkinForFit(model, *pose, &r->options, meshes);
            AddDrawnToFit(*pose, &r->options, meshes, &fit);
        }
        for (int32_t f = 0; f < model->numframes; f++)
            pictures.push_back({NumberedPath(r->framesDir, "frame", f), f, RenderCamera{}});
        RenderCamera camera = FitCamera(&fit);
        for (Picture& p : pictures) p.camera = camera;
    } else {
        PoseFor(model, r, -1, pose);
        if (framing) SkinForFit(model, *pose, &r->options, meshes);
        int views = r->turntableDir ? r->turntable : 1;
        float farthest = 0.0f;
        for (int v = 0; v < views; v++) {
            ViewFit fit = StartViewFit(r->yaw + 360.0f * (float)v / (float)views, r->pitch, aspect);
            if (framing) AddDrawnToFit(*pose, &r->options, meshes, &fit);
            RenderCamera camera = FitCamera(&fit);
            farthest = std::max(farthest, camera.orbit_distance);
            std::string path = r->out ? r->out : NumberedPath(r->turntableDir, "turn", v);
            pictures.push_back({path, -1, camera});
        }
        // The same distance all the way round, so the model keeps its size.
        for (Picture& p : pictures) p.camera.orbit_distance = farthest;
    }
    if (r->distance > 0) {
        for (Picture& p : pictures) {
            p.camera.orbit_pan[0] = p.camera.orbit_pan[1] = 0.0f;
            p.camera.orbit_distance = r->distance;
        }
    }
    return pictures;
}

// Draws every picture into a temporary file of its own (*staged), posing the
// model for each strip frame; false with *reason at the first that fails.
bool DrawPictures(const OffscreenContext* gl, SkelModel* model, const RenderRequest* r,
                  const std::vector<Picture>& pictures, std::vector<BonePose>* pose,
                  std::vector<std::unique_ptr<StagedFile>>* staged, std::string* reason) {
    for (const Picture& p : pictures) {
        if (p.frame >= 0) PoseFor(model, r, p.frame, pose);
        staged->push_back(std::make_unique<StagedFile>());
        if (!DrawPicture(gl, model, *pose, &p.camera, &r->options, r->channels, p.path.c_str(),
                         staged->back().get(), reason))
            return false;
    }
    return true;
}

int Render(SkelModel* model, RenderRequest* r) {
    const char* command = "render";
    MeshBuffers meshes;
    r->options.mesh_buffers = &meshes;
    std::vector<BonePose> pose;
    std::vector<Picture> pictures = PlanPictures(model, r, &meshes, &pose);
    if (pictures.empty()) {
        fprintf(stderr, "boneloom-tool %s: the model has no pose frames; nothing written\n",
                command);
        return 1;
    }

    std::string reason;
    const char* dir = r->framesDir ? r->framesDir : r->turntableDir;
    bool createdDir = false;
    if (dir && !EnsureDirectory(dir, &createdDir, &reason)) {
        fprintf(stderr, "boneloom-tool %s: %s; nothing written\n", command, reason.c_str());
        return 1;
    }
    OffscreenContext gl;
    if (!CreateOffscreen(r->width, r->height, &gl, &reason)) {
        if (createdDir) rmdir(dir);
        fprintf(stderr, "boneloom-tool %s: cannot draw: %s; nothing written\n", command,
                reason.c_str());
        return 1;
    }
    SetRenderState();
    if (r->options.show_mesh) {
        // As the viewer does: a missing or damaged texture is said and the
        // meshes drawn untextured.
        std::vector<std::string> problems;
        LoadSkinTextures(model, &r->skins, &meshes.textures, &problems);
        for (const std::string& line : problems)
            fprintf(stderr, "boneloom-tool %s: %s\n", command, line.c_str());
    }
    // A set of pictures is useful only whole: every picture waits in a
    // temporary file until all are drawn, then they replace their files
    // together, and a failure leaves the files as they were.
    std::vector<std::unique_ptr<StagedFile>> staged;
    bool ok = DrawPictures(&gl, model, r, pictures, &pose, &staged, &reason);
    DestroyOffscreen(&gl);
    size_t written = staged.size();
    if (ok) {
        std::vector<StagedFile*> all;
        for (auto& file : staged) all.push_back(file.get());
        ok = CommitStagedFiles(all.data(), all.size(), &reason);
    }
    if (!ok) {
        staged.clear();
        if (createdDir) rmdir(dir);
        fprintf(stderr, "boneloom-tool %s: %s; nothing written\n", command, reason.c_str());
        return 1;
    }
    if (r->out)
        printf("wrote %s: %dx%d\n", r->out, r->width, r->height);
    else
        printf("wrote %zu pictures of %dx%d to %s\n", written, r->width, r->height, dir);
    return 0;
}

} // namespace

int RunRender(const ToolArgs* args) {
    const char* command = args->command;
    RenderRequest request;
    if (int status = ParseRequest(args, &request)) return status;

    if (request.out) {
        const FileRole roles[] = {
            {request.skm, "SKM", false}, {request.skp, "SKP", false}, {request.out, "PNG", true}};
        if (!CheckToolOutputs(command, roles, 3)) return 1;
    }
    SkelModel model;
    LoadReport report;
    if (!LoadPairForTool(command, request.skm, request.skp, &model, false, &report)) return 1;
    if (request.frame >= model.numframes) {
        return UsageError(command, "frame %lld is past the end: \"%s\" has %d frame%s",
                          (long long)request.frame, request.skp, model.numframes,
                          model.numframes == 1 ? "" : "s");
    }
    if (request.select) {
        request.options.selected_bone = FindBone(&model, request.select);
        if (request.options.selected_bone < 0)
            return UsageError(command, "no bone '%s' in \"%s\" (%d bones)", request.select,
                              request.skp, model.numbones);
    }
    if (request.weights) {
        request.options.weights_bone = FindBone(&model, request.weights);
        if (request.options.weights_bone < 0)
            return UsageError(command, "no bone '%s' in \"%s\" (%d bones)", request.weights,
                              request.skp, model.numbones);
    }
    return Render(&model, &request);
}
