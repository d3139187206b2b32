// Drawing without a display: an off-screen clear read back, the PNG encoder
// against libpng's decoder; the skinned meshes as the renderer draws them (where
// a known mesh lands, its light from the camera, the selection tint, wireframe,
// the skeleton kept over the mesh, a skin's texture laid on the right way up);
// and boneloom-tool render's pictures of a small model whose every bone lands
// on a known pixel, and of the demo model framed from several angles.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/jpeg.h"
#include "image/png.h"
#include "model/export.h"
#include "image/tga.h"
#include "render/texture.h"
#include "render/offscreen.h"
#include "render/render.h"
#include "tests/unit/test_skeleton.h"
#include "session/export.h"

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[((size_t)y * width + x) * 3]; }
};

// Decodes a PNG file image to RGB with libpng itself, not with our code.
bool DecodePNG(const std::vector<uint8_t>& file, Picture* out) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return false;
    image.format = PNG_FORMAT_RGB;
    out->width = (int)image.width;
    out->height = (int)image.height;
    out->rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out->rgb.data(), 0, nullptr) != 0;
}

bool ReadPNG(const std::string& path, Picture* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> file;
    uint8_t chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;)
        file.insert(file.end(), chunk, chunk + n);
    fclose(f);
    return DecodePNG(file, out);
}

bool Near(const uint8_t* px, int r, int g, int b, int slack = 1) {
    return abs(px[0] - r) <= slack && abs(px[1] - g) <= slack && abs(px[2] - b) <= slack;
}

// Lit grey: equal channels, brighter than lo and darker than hi.
bool IsGrey(const uint8_t* p, int lo = 40, int hi = 256) {
    return p[0] > lo && p[0] < hi && abs(p[0] - p[1]) <= 2 && abs(p[1] - p[2]) <= 2;
}

// True when some pixel within one of (x, y) has the colour: a one-pixel line
// on a pixel boundary may fall on either side of it.
bool NearbyHas(const Picture& p, int x, int y, int r, int g, int b) {
    for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++)
            if (Near(p.At(x + dx, y + dy), r, g, b)) return true;
    return false;
}

std::string TempDir() {
    char pattern[] = "/tmp/boneloom_render_XXXXXX";
    return mkdtemp(pattern);
}

// Runs boneloom-tool with arguments; returns its exit status.
int RunTool(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv = {(char*)BONELOOM_TOOL};
        for (const std::string& a : args) argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        execv(BONELOOM_TOOL, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// boneloom-tool render of dir/<model>.skm and .skp to dir/<name> with more
// arguments, the picture read back.
void Render(const std::string& dir, const std::string& model, const std::string& name,
            const std::vector<std::string>& more, Picture* p) {
    std::vector<std::string> args = {"render", dir + "/" + model + ".skm",
                                     dir + "/" + model + ".skp", dir + "/" + name};
    args.insert(args.end(), more.begin(), more.end());
    ASSERT_EQ(RunTool(args), 0);
    ASSERT_TRUE(ReadPNG(dir + "/" + name, p));
}

// Three bones in one frame: a root at the origin, bone 1 straight up (model z)
// and bone 2, marked, to the side (model y, drawn to the right).
void WriteTinyModel(const std::string& dir) {
    SkelModel m;
    SetBoneChain(&m, {"root", "up", "side"});
    m.bones[2].parent = 0;
    m.bones[2].flags = 1;
    m.numframes = 1;
    m.frames.resize(1);
    CopyName(m.frames[0].name, "rest");
    m.frames[0].poses = {BonePose{{0, 0, 0, 1}, {0, 0, 0}}, BonePose{{0, 0, 0, 1}, {0, 0, 8}},
                         BonePose{{0, 0, 0, 1}, {0, 4, 0}}};
    ASSERT_TRUE(WriteSKMFile(&m, (dir + "/tiny.skm").c_str()));
    ASSERT_TRUE(WriteSKPFile(&m, (dir + "/tiny.skp").c_str()));
}

constexpr int SIDE = 200;
constexpr float DISTANCE = 30.0f;
constexpr float FRONT = 2.0f; // model x of the quads: in front of the bones

// A quad in the model's y-z plane at x = FRONT, from (y0, z0) to (y1, z1),
// one vertex weight each on bone 0, every normal the given model vector,
// texture coordinates 0..1 across it.
void AddQuad(SkelModel* m, const char* skin, float y0, float z0, float y1, float z1,
             const float* normal) {
    SkelMesh mesh = {};
    CopyName(mesh.skinname, skin);
    CopyName(mesh.meshname, "quad");
    const float corner[4][2] = {{y0, z0}, {y1, z0}, {y1, z1}, {y0, z1}};
    const float st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    mesh.numverts = 4;
    for (int v = 0; v < 4; v++) {
        BoneWeight w = {
            {FRONT, corner[v][0], corner[v][1]}, 1.0f, {normal[0], normal[1], normal[2]}, 0};
        mesh.weightpool.push_back(w);
        mesh.verts.push_back(SkelVertex{1, nullptr});
        mesh.texcoords.insert(mesh.texcoords.end(), st[v], st[v] + 2);
    }
    mesh.numtris = 2;
    mesh.indices = {0, 1, 2, 0, 2, 3};
    ASSERT_TRUE(LinkVertexWeights(&mesh));
    m->meshes.push_back(std::move(mesh));
    m->nummeshes = (int32_t)m->meshes.size();
}

// Two bones, a root at the origin and one straight up at z = 8.
void AddBones(SkelModel* m, std::vector<BonePose>* pose) {
    SetBoneChain(m, {"root", "up"});
    *pose = {BonePose{{0, 0, 0, 1}, {0, 0, 0}}, BonePose{{0, 0, 0, 1}, {0, 0, 8}}};
}

// The pixel of model point (FRONT, y, z) under the orbit camera at DISTANCE,
// no pan, or dx columns beside it.
const uint8_t* PixelOf(const Picture& p, float y, float z, int dx = 0) {
    double k = (SIDE / 2.0) / ((DISTANCE - FRONT) * std::tan(22.5 * M_PI / 180.0));
    return p.At((int)std::lround(SIDE / 2.0 + y * k) + dx, (int)std::lround(SIDE / 2.0 - z * k));
}

bool IsBackground(const uint8_t* p) { return Near(p, 0, 0, 0, 3); }
bool IsRed(const uint8_t* p) { return p[0] > 200 && p[1] < 40 && p[2] < 40; }

} // namespace

class MeshRender : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(CreateOffscreen(SIDE, SIDE, &gl, &why)) << why;
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    }
    void TearDown() override { DestroyOffscreen(&gl); }
    Picture Draw(const SkelModel* m, const std::vector<BonePose>& pose, RenderOptions o) {
        o.show_mesh = true;
        o.mesh_buffers = &buffers;
        ClearRenderTarget(&o);
        SetRenderViewport(0, 0, SIDE, SIDE);
        RenderCamera camera;
        camera.orbit_distance = DISTANCE;
        ApplyRenderCamera(&camera);
        RenderModel(m, pose.data(), (int32_t)pose.size(), &o);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        Picture s;
        s.width = s.height = SIDE;
        std::string why;
        EXPECT_TRUE(ReadOffscreenPixels(&gl, 3, &s.rgb, &why)) << why;
        return s;
    }
    OffscreenContext gl;
    MeshBuffers buffers;
};

TEST(RenderHeadless, OffscreenClearReadsBackTopRowFirst) {
    OffscreenContext gl;
    std::string why;
    EXPECT_FALSE(CreateOffscreen(0, 10, &gl, &why));
    EXPECT_FALSE(CreateOffscreen(OFFSCREEN_MAX_SIZE + 1, 1, &gl, &why));
    EXPECT_NE(why.find("4096"), std::string::npos) << why;
    EXPECT_EQ(gl.display, nullptr);

    // An odd size, so rows are not padded to four bytes by accident.
    ASSERT_TRUE(CreateOffscreen(37, 23, &gl, &why)) << why;
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // GL counts rows from the bottom: a 5 x 3 red block at GL's origin must
    // come back in the last three rows.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 5, 3);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    Picture p;
    p.width = 37;
    p.height = 23;
    ASSERT_TRUE(ReadOffscreenPixels(&gl, 3, &p.rgb, &why)) << why;
    ASSERT_EQ(p.rgb.size(), 37u * 23u * 3u);
    DestroyOffscreen(&gl);
    EXPECT_EQ(gl.context, nullptr);
    EXPECT_TRUE(Near(p.At(0, 0), 51, 102, 153));
    EXPECT_TRUE(Near(p.At(36, 22), 51, 102, 153));
    EXPECT_TRUE(Near(p.At(4, 20), 255, 0, 0));
    EXPECT_TRUE(Near(p.At(0, 22), 255, 0, 0));
    EXPECT_TRUE(Near(p.At(5, 22), 51, 102, 153));
    EXPECT_TRUE(Near(p.At(0, 19), 51, 102, 153));
}

TEST(RenderHeadless, PngRoundTripsThroughLibpng) {
    for (int channels : {3, 4}) {
        SCOPED_TRACE(channels);
        const int w = 7, h = 5;
        std::vector<uint8_t> pixels((size_t)w * h * channels);
        for (size_t i = 0; i < pixels.size(); i++) pixels[i] = (uint8_t)(i * 37 + 11);
        std::vector<uint8_t> file;
        std::string why;
        ASSERT_TRUE(EncodePNG(pixels.data(), w, h, channels, &file, &why)) << why;
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
        EXPECT_EQ(image.width, (png_uint_32)w);
        EXPECT_EQ(image.height, (png_uint_32)h);
        EXPECT_EQ(PNG_IMAGE_PIXEL_CHANNELS(image.format), (unsigned)channels);
        std::vector<uint8_t> back(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
        EXPECT_EQ(back, pixels);
    }
    std::vector<uint8_t> untouched = {1, 2, 3};
    std::string why;
    uint8_t pixel[3] = {0, 0, 0};
    EXPECT_FALSE(EncodePNG(pixel, 0, 1, 3, &untouched, &why));
    EXPECT_FALSE(EncodePNG(pixel, 1, 1, 2, &untouched, &why));
    EXPECT_EQ(untouched, (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(MeshRender, LitGreyWhereTheMeshIsSelectedTintedSkeletonOnTopWireframeLines) {
    SkelModel m;
    std::vector<BonePose> pose;
    AddBones(&m, &pose);
    const float toCamera[3] = {1, 0, 0};
    const float aside[3] = {0.5f, 0.866f, 0}; // turned 60 degrees away from the camera
    AddQuad(&m, "", -6, -2, 6, 10, toCamera);
    AddQuad(&m, "", 7, -2, 10, 2, aside);

    RenderOptions o;
    o.selected_bone = 1;
    Picture lit = Draw(&m, pose, o);
    const uint8_t* facing = PixelOf(lit, -3, 5);
    const uint8_t* turned = PixelOf(lit, 8.5f, 0);
    EXPECT_TRUE(IsGrey(facing)) << (int)facing[0] << "," << (int)facing[1] << "," << (int)facing[2];
    EXPECT_TRUE(IsGrey(turned));
    // Lit from the camera: the turned face is clearly darker.
    EXPECT_LT(turned[0] + 30, facing[0]);
    EXPECT_TRUE(IsBackground(PixelOf(lit, -8, 5))); // outside the quads
    // The selected bone's red line runs in front of nothing, yet shows over the quad.
    EXPECT_TRUE(IsRed(PixelOf(lit, 0, 4, -1)) || IsRed(PixelOf(lit, 0, 4)) ||
                IsRed(PixelOf(lit, 0, 4, 1)))
        << "the skeleton's selected line is hidden by the mesh";

    o.selected_mesh = 0;
    Picture tinted = Draw(&m, pose, o);
    const uint8_t* warm = PixelOf(tinted, -3, 5);
    EXPECT_GT(warm[0], warm[2] + 30) << "selected mesh not tinted";
    EXPECT_TRUE(IsGrey(PixelOf(tinted, 8.5f, 0))) << "an unselected mesh was tinted";

    o.selected_mesh = -1;
    o.wireframe = true;
    Picture wire = Draw(&m, pose, o);
    EXPECT_TRUE(IsBackground(PixelOf(wire, -3, 5))) << "wireframe filled the quad";
    EXPECT_TRUE(IsGrey(PixelOf(wire, -6, 5, -1)) || IsGrey(PixelOf(wire, -6, 5)) ||
                IsGrey(PixelOf(wire, -6, 5, 1)))
        << "wireframe drew no edge";
}

// A texture of four 8 x 8 blocks (JPEG codes each block on its own), one
// colour each, read from a TGA (first row at the bottom, t = 0), a PNG and a
// JPEG (top row first in the file): in every format red lands at the quad's
// bottom left and blue at its top left. A damaged file and a missing one each
// give one line; the mesh is then drawn untextured.
TEST_F(MeshRender, SkinTexturesOfEveryFormatLandByTheirCoordinatesAndBadOnesAreSaid) {
    std::string dir = TempDir();
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::vector<uint8_t> bottomFirst; // bottom row: red, green; top row: blue, white
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
            bottomFirst.insert(bottomFirst.end(), colours[(y / 8) * 2 + x / 8],
                               colours[(y / 8) * 2 + x / 8] + 3);
    std::vector<uint8_t> topFirst = bottomFirst;
    FlipImageRows(topFirst.data(), 16, 16, 3);
    std::vector<uint8_t> tga = EncodeTGA(16, 16, 24, bottomFirst.data()), png;
    std::string why;
    ASSERT_TRUE(EncodePNG(topFirst.data(), 16, 16, 3, &png, &why)) << why;
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"checker.tga", tga},
        {"checker.png", png},
        {"checker.jpg", EncodeJPEG(topFirst.data(), 16, 16, 95, false)}};
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes, size_t size) {
        FILE* f = fopen((dir + "/" + name).c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(bytes.data(), 1, size, f);
        fclose(f);
    };
    write("broken.png", png, png.size() - 30); // cut inside the image data

    SkelModel m;
    std::vector<BonePose> pose;
    AddBones(&m, &pose);
    const float toCamera[3] = {1, 0, 0};
    AddQuad(&m, "checker", -6, -2, 6, 10, toCamera);
    AddQuad(&m, "broken", 7, -2, 10, 2, toCamera);
    AddQuad(&m, "nothing", -10, -2, -7, 2, toCamera);
    SkinSearch search = {dir, {}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        for (const auto& other : files) remove((dir + "/" + other.first).c_str());
        write(name, bytes, bytes.size());
        std::vector<std::string> problems;
        LoadSkinTextures(&m, &search, &buffers.textures, &problems);
        ASSERT_EQ(buffers.textures.size(), 3u);
        EXPECT_NE(buffers.textures[0], 0u);
        EXPECT_EQ(buffers.textures[1], 0u);
        EXPECT_EQ(buffers.textures[2], 0u);
        ASSERT_EQ(problems.size(), 2u);
        EXPECT_EQ(problems[0], "Texture " + dir + "/broken.png: damaged or cut short PNG data");
        EXPECT_NE(problems[1].find(dir + "/nothing.tga"), std::string::npos) << problems[1];

        RenderOptions o;
        o.show_skeleton = false;
        Picture s = Draw(&m, pose, o);
        struct {
            float y, z;
            const uint8_t* rgb;
        } expect[] = {
            {-3, 1, colours[0]}, {3, 1, colours[1]}, {-3, 7, colours[2]}, {3, 7, colours[3]}};
        for (const auto& e : expect) {
            const uint8_t* p = PixelOf(s, e.y, e.z);
            for (int k = 0; k < 3; k++)
                EXPECT_NEAR(p[k], e.rgb[k], 12) << "at model y " << e.y << " z " << e.z;
        }
        EXPECT_TRUE(IsGrey(PixelOf(s, 8.5f, 0)));
        EXPECT_TRUE(IsGrey(PixelOf(s, -8.5f, 0)));
        glDeleteTextures(1, &buffers.textures[0]);
    }
}

// The viewer's camera at distance 30, no pan, on a 200 x 200 picture: model
// point (0, y, z) lands at column 100 + y * k, row 100 - z * k, with k the
// pixels per unit at that depth (100 / (30 tan 22.5 degrees)).
TEST(RenderHeadless, ToolDrawsBonesWhereTheCameraPutsThem) {
    std::string dir = TempDir();
    WriteTinyModel(dir);
    const std::vector<std::string> view = {"--size", "200x200",      "--distance",
                                           "30",     "--background", "102030"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.end(), view.begin(), view.end());
        return more;
    };
    Picture plain, selected, none;
    Render(dir, "tiny", "plain.png", view, &plain);
    Render(dir, "tiny", "selected.png", with({"--select", "up"}), &selected);
    Render(dir, "tiny", "none.png", with({"--no-skeleton"}), &none);
    ASSERT_EQ(plain.width, 200);
    ASSERT_EQ(plain.height, 200);

    const double k = 100.0 / (30.0 * 0.41421356);
    const int upRow = (int)(100 - 8 * k), sideCol = (int)(100 + 4 * k);
    const uint8_t bone[3] = {102, 128, 179};
    for (const Picture* p : {&plain, &selected}) {
        EXPECT_TRUE(Near(p->At(0, 0), 0x10, 0x20, 0x30));
        EXPECT_TRUE(Near(p->At(199, 199), 0x10, 0x20, 0x30));
        // Cubes of edge 1 around each bone, k (about 8) pixels wide.
        EXPECT_TRUE(Near(p->At(100, 100), bone[0], bone[1], bone[2]));
        EXPECT_TRUE(Near(p->At(100, upRow), bone[0], bone[1], bone[2]));
        EXPECT_TRUE(Near(p->At(sideCol, 100), bone[0], bone[1], bone[2]));
        // Beside a line, between the cubes: background.
        EXPECT_TRUE(Near(p->At(104, (100 + upRow) / 2), 0x10, 0x20, 0x30));
        // The marked bone's line is white in both.
        EXPECT_TRUE(NearbyHas(*p, (100 + sideCol) / 2, 100, 255, 255, 255));
    }
    const int midRow = (100 + upRow) / 2;
    EXPECT_TRUE(NearbyHas(plain, 100, midRow, bone[0], bone[1], bone[2]));
    EXPECT_FALSE(NearbyHas(plain, 100, midRow, 255, 0, 0));
    EXPECT_TRUE(NearbyHas(selected, 100, midRow, 255, 0, 0));
    for (size_t i = 0; i < none.rgb.size(); i += 3)
        ASSERT_TRUE(Near(&none.rgb[i], 0x10, 0x20, 0x30)) << "pixel " << i / 3;
}

// The demo model. Without --distance it fills the picture from any angle:
// the drawn pixels' bounding rectangle keeps a margin on every side and spans
// 90% of the tighter one. From the front, its skin's texture (found beside the
// model, not in the working directory) colours it; without the texture file
// it is lit grey; with --no-mesh nothing of it is left.
TEST(RenderHeadless, ToolFramesTheDemoModelAndDrawsItsMeshTexturedGreyOrNot) {
    std::string dir = TempDir();
    ASSERT_EQ(RunTool({"sample", dir}), 0);
    struct View {
        const char* size;
        const char* yaw;
        const char* pitch;
    } views[] = {{"300x300", "0", "0"}, {"400x200", "90", "30"}, {"200x400", "-135", "-60"}};
    for (const View& v : views) {
        SCOPED_TRACE(std::string(v.size) + " yaw " + v.yaw + " pitch " + v.pitch);
        Picture p;
        Render(dir, "tris", "view.png",
               {"--size", v.size, "--yaw", v.yaw, "--pitch", v.pitch, "--press", "LLR"}, &p);
        int left = p.width, right = -1, top = p.height, bottom = -1;
        for (int y = 0; y < p.height; y++)
            for (int x = 0; x < p.width; x++)
                if (!Near(p.At(x, y), 0, 0, 0, 0)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        ASSERT_GE(right, 0) << "nothing drawn";
        // Inside the picture with a margin on every side...
        EXPECT_GT(left, 0);
        EXPECT_GT(top, 0);
        EXPECT_LT(right, p.width - 1);
        EXPECT_LT(bottom, p.height - 1);
        // ...spanning FRAME_FILL (90%) of the picture in the tighter
        // direction, with equal margins there.
        double across = (right - left + 1) / (double)p.width;
        double down = (bottom - top + 1) / (double)p.height;
        EXPECT_NEAR(std::max(across, down), 0.9, 0.02);
        if (across > down)
            EXPECT_NEAR(left, p.width - 1 - right, 3);
        else
            EXPECT_NEAR(top, p.height - 1 - bottom, 3);
    }

    // Pixels of a kind: lit grey (equal channels, neither dark nor white), or
    // strongly red (the demo's shirt).
    auto countKind = [](const Picture& p, bool grey) {
        int n = 0;
        for (size_t i = 0; i < p.rgb.size(); i += 3) {
            const uint8_t* c = &p.rgb[i];
            n += grey ? IsGrey(c, 60, 235) : c[0] > 100 && c[0] > 2 * c[1] && c[0] > 2 * c[2];
        }
        return n;
    };
    Picture textured, grey, none;
    Render(dir, "tris", "textured.png", {"--size", "160x120", "--no-skeleton"}, &textured);
    ASSERT_EQ(unlink((dir + "/boneloom_skin.tga").c_str()), 0);
    Render(dir, "tris", "grey.png", {"--size", "160x120", "--no-skeleton"}, &grey);
    Render(dir, "tris", "none.png", {"--size", "160x120", "--no-mesh"}, &none);
    EXPECT_GT(countKind(textured, false), 200);
    EXPECT_LT(countKind(textured, true), 50);
    EXPECT_GT(countKind(grey, true), 800);
    EXPECT_EQ(countKind(grey, false), 0);
    EXPECT_LT(countKind(none, true), 30);
    EXPECT_EQ(countKind(none, false), 0);
}

// Drivers without textures of any size get each side at the nearest power of
// two; every driver gets at most its largest size.
TEST(RenderTexture, SizesBecomePowersOfTwoOnlyWhereTheDriverNeedsThem) {
    struct {
        int32_t w, h;
        bool npot;
        int32_t max, wantW, wantH;
    } cases[] = {
        {300, 5, true, 4096, 300, 5},      {300, 5, false, 4096, 256, 4},
        {384, 700, false, 4096, 512, 512}, {128, 128, false, 4096, 128, 128},
        {5000, 20, true, 4096, 4096, 20},  {5000, 3000, false, 2048, 2048, 2048},
        {1, 1, false, 64, 1, 1},
    };
    for (const auto& c : cases) {
        int32_t w = 0, h = 0;
        TextureSizeFor(c.w, c.h, c.npot, c.max, &w, &h);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.wantW, c.wantH))
            << c.w << "x" << c.h << (c.npot ? " any size" : " powers of two") << " max " << c.max;
    }
}

// --weights: a quad whose left half hangs on the root and whose right half
// on bone "up", seen from the front, comes out dark blue and red, and the
// other way round for the root; --grid: looking straight down at the ground
// plane of the tiny model (bones reach 4 units, so the grid reaches 5 in
// steps of 0.5), the X axis runs red down the middle, the Y axis green across
// it, grey lines lie at every step and nothing beyond the grid's edge.
TEST(RenderHeadless, ToolColoursByOneBonesWeightsAndDrawsTheGroundGrid) {
    std::string dir = TempDir();
    SkelModel m;
    SetBoneChain(&m, {"root", "up"});
    m.numframes = 1;
    m.frames.resize(1);
    CopyName(m.frames[0].name, "rest");
    m.frames[0].poses.assign(2, BonePose{{0, 0, 0, 1}, {0, 0, 0}});
    const float toCamera[3] = {1, 0, 0};
    AddQuad(&m, "", -6, -2, 0, 10, toCamera);
    AddQuad(&m, "", 0, -2, 6, 10, toCamera);
    for (BoneWeight& w : m.meshes[1].weightpool) w.bonenum = 1;
    ASSERT_TRUE(WriteSKMFile(&m, (dir + "/halves.skm").c_str()));
    ASSERT_TRUE(WriteSKPFile(&m, (dir + "/halves.skp").c_str()));
    const std::vector<std::string> front = {"--size", "200x200", "--distance", "30",
                                            "--no-skeleton"};
    auto with = [](std::vector<std::string> more, const std::vector<std::string>& view) {
        more.insert(more.end(), view.begin(), view.end());
        return more;
    };
    auto darkBlue = [](const uint8_t* p) { return p[0] < 20 && p[1] < 20 && p[2] > 100; };
    Picture up, root;
    Render(dir, "halves", "up.png", with({"--weights", "up"}, front), &up);
    Render(dir, "halves", "root.png", with({"--weights", "0"}, front), &root);
    for (float z : {0.0f, 4.0f, 9.0f}) {
        SCOPED_TRACE(z);
        EXPECT_TRUE(darkBlue(PixelOf(up, -3, z)));
        EXPECT_TRUE(IsRed(PixelOf(up, 3, z)));
        EXPECT_TRUE(IsRed(PixelOf(root, -3, z)));
        EXPECT_TRUE(darkBlue(PixelOf(root, 3, z)));
    }
    EXPECT_EQ(RunTool(with({"render", dir + "/halves.skm", dir + "/halves.skp", dir + "/x.png",
                            "--weights", "arm"},
                           front)),
              2);

    WriteTinyModel(dir);
    Picture grid;
    Render(dir, "tiny", "grid.png",
           {"--size", "200x200", "--distance", "15", "--pitch", "90", "--no-skeleton", "--grid"},
           &grid);
    // Straight down from 15 units: model (x, y, 0) at column 100 + y k, row
    // 100 + x k.
    const double k = 100.0 / (15.0 * 0.41421356);
    auto at = [&](double x, double y) {
        return grid.At((int)std::lround(100 + y * k), (int)std::lround(100 + x * k));
    };
    auto has = [&](double x, double y, bool (*kind)(const uint8_t*)) {
        for (int dy = -1; dy <= 1; dy++)
            for (int dx = -1; dx <= 1; dx++)
                if (kind(at(x + dy / k, y + dx / k))) return true;
        return false;
    };
    auto red = [](const uint8_t* p) { return IsRed(p); };
    auto green = [](const uint8_t* p) { return p[1] > 180 && p[0] < 40 && p[2] < 40; };
    auto grey = [](const uint8_t* p) { return IsGrey(p, 60, 120); };
    for (double along : {-4.25, -1.25, 2.25, 4.75}) {
        SCOPED_TRACE(along);
        EXPECT_TRUE(has(along, 0, red)) << "X axis";
        EXPECT_TRUE(has(0, along, green)) << "Y axis";
        EXPECT_TRUE(has(along, 1.5, grey) && has(-1.0, along, grey)) << "grid line";
        EXPECT_TRUE(IsBackground(at(along, 0.25)) && IsBackground(at(0.25, along)))
            << "between lines";
    }
    EXPECT_TRUE(IsBackground(at(0, 5.8)) && IsBackground(at(5.8, 0)) && IsBackground(at(5.8, 5.8)))
        << "past the grid's edge";
}
