// The skinned meshes as the renderer draws them, in an off-screen context:
// where a known mesh lands, its light from the camera, the selection tint,
// wireframe, the skeleton kept over the mesh, and a skin's texture read from
// its file and laid on by the texture coordinates the right way up.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/tga_write.h"
#include "overlay/tga.h"
#include "render/offscreen.h"
#include "render/render.h"
#include "tests/unit/test_skeleton.h"

namespace {

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

struct Shot {
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[((size_t)y * SIDE + x) * 3]; }
};

// Pixel of model point (FRONT, y, z): the orbit camera at DISTANCE, no pan.
void PixelOf(float y, float z, int* col, int* row) {
    double k = (SIDE / 2.0) / ((DISTANCE - FRONT) * std::tan(22.5 * M_PI / 180.0));
    *col = (int)std::lround(SIDE / 2.0 + y * k);
    *row = (int)std::lround(SIDE / 2.0 - z * k);
}

bool IsBackground(const uint8_t* p) { return p[0] < 4 && p[1] < 4 && p[2] < 4; }
bool IsGrey(const uint8_t* p) {
    return p[0] > 40 && std::abs(p[0] - p[1]) <= 2 && std::abs(p[1] - p[2]) <= 2;
}

class MeshRender : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(CreateOffscreen(SIDE, SIDE, &gl, &why)) << why;
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    }
    void TearDown() override { DestroyOffscreen(&gl); }
    Shot Draw(const SkelModel* m, const std::vector<BonePose>& pose, RenderOptions o) {
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
        Shot s;
        std::string why;
        EXPECT_TRUE(ReadOffscreenPixels(&gl, &s.rgb, &why)) << why;
        return s;
    }
    OffscreenContext gl;
    MeshBuffers buffers;
};

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
    Shot lit = Draw(&m, pose, o);
    int c, r, c2, r2, edge;
    PixelOf(-3, 5, &c, &r);
    PixelOf(8.5f, 0, &c2, &r2);
    const uint8_t* facing = lit.At(c, r);
    const uint8_t* turned = lit.At(c2, r2);
    EXPECT_TRUE(IsGrey(facing)) << (int)facing[0] << "," << (int)facing[1] << "," << (int)facing[2];
    EXPECT_TRUE(IsGrey(turned));
    // Lit from the camera: the turned face is clearly darker.
    EXPECT_LT(turned[0] + 30, facing[0]);
    // Outside the quads: background.
    PixelOf(-8, 5, &c2, &r2);
    EXPECT_TRUE(IsBackground(lit.At(c2, r2)));
    // The selected bone's red line runs in front of nothing, yet shows over the quad.
    PixelOf(0, 4, &c2, &r2);
    bool red = false;
    for (int dx = -1; dx <= 1; dx++) {
        const uint8_t* p = lit.At(c2 + dx, r2);
        red = red || (p[0] > 200 && p[1] < 40 && p[2] < 40);
    }
    EXPECT_TRUE(red) << "the skeleton's selected line is hidden by the mesh";

    o.selected_mesh = 0;
    Shot tinted = Draw(&m, pose, o);
    const uint8_t* warm = tinted.At(c, r);
    EXPECT_GT(warm[0], warm[2] + 30) << "selected mesh not tinted";
    PixelOf(8.5f, 0, &c2, &r2);
    EXPECT_TRUE(IsGrey(tinted.At(c2, r2))) << "an unselected mesh was tinted";

    o.selected_mesh = -1;
    o.wireframe = true;
    Shot wire = Draw(&m, pose, o);
    EXPECT_TRUE(IsBackground(wire.At(c, r))) << "wireframe filled the quad";
    PixelOf(-6, 5, &edge, &r2);
    bool line = false;
    for (int dx = -1; dx <= 1; dx++) line = line || IsGrey(wire.At(edge + dx, r));
    EXPECT_TRUE(line) << "wireframe drew no edge";
}

// A 2 x 2 texture, different in every corner: the file's first row is the
// bottom (t = 0), so red lands at the quad's bottom left and blue at its top
// left. A damaged file and a missing one each give one line; the mesh is
// then drawn untextured.
TEST_F(MeshRender, SkinTextureLandsByItsCoordinatesAndBadOnesAreSaid) {
    char pattern[] = "/tmp/boneloom_mesh_XXXXXX";
    std::string dir = mkdtemp(pattern);
    const uint8_t texels[12] = {255, 0, 0,   0,   255, 0,    // bottom row: red, green
                                0,   0, 255, 255, 255, 255}; // top row: blue, white
    std::vector<uint8_t> file = EncodeTGA(2, 2, 24, texels);
    FILE* f = fopen((dir + "/checker.tga").c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(file.data(), 1, file.size(), f);
    fclose(f);
    f = fopen((dir + "/broken.tga").c_str(), "wb");
    fwrite(file.data(), 1, 20, f); // cut inside the pixels
    fclose(f);

    SkelModel m;
    std::vector<BonePose> pose;
    AddBones(&m, &pose);
    const float toCamera[3] = {1, 0, 0};
    AddQuad(&m, "checker", -6, -2, 6, 10, toCamera);
    AddQuad(&m, "broken", 7, -2, 10, 2, toCamera);
    AddQuad(&m, "nothing", -10, -2, -7, 2, toCamera);
    std::vector<std::string> problems;
    LoadSkinTextures(&m, dir.c_str(), &buffers.textures, &problems);
    ASSERT_EQ(buffers.textures.size(), 3u);
    EXPECT_NE(buffers.textures[0], 0u);
    EXPECT_EQ(buffers.textures[1], 0u);
    EXPECT_EQ(buffers.textures[2], 0u);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find(dir + "/broken.tga: pixel data cut short"), std::string::npos)
        << problems[0];
    EXPECT_NE(problems[1].find(dir + "/nothing.tga"), std::string::npos) << problems[1];

    RenderOptions o;
    o.show_skeleton = false;
    Shot s = Draw(&m, pose, o);
    struct {
        float y, z;
        uint8_t rgb[3];
    } expect[] = {
        {-3, 1, {255, 0, 0}}, {3, 1, {0, 255, 0}}, {-3, 7, {0, 0, 255}}, {3, 7, {255, 255, 255}}};
    for (const auto& e : expect) {
        int c, r;
        PixelOf(e.y, e.z, &c, &r);
        const uint8_t* p = s.At(c, r);
        for (int k = 0; k < 3; k++)
            EXPECT_NEAR(p[k], e.rgb[k], 12) << "at model y " << e.y << " z " << e.z;
    }
    int c, r;
    PixelOf(8.5f, 0, &c, &r);
    EXPECT_TRUE(IsGrey(s.At(c, r)));
    PixelOf(-8.5f, 0, &c, &r);
    EXPECT_TRUE(IsGrey(s.At(c, r)));
    for (const char* name : {"checker.tga", "broken.tga"}) unlink((dir + "/" + name).c_str());
    rmdir(dir.c_str());
}

} // namespace
