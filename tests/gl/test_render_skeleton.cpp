// The renderer in a real OpenGL context: GL feedback mode gives the exact
// vertices and colours it issues, read back in OpenGL coordinates, and pixel
// reads check the key list's text.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "app/frame.h"
#include "model/model.h"
#include "overlay/key_list.h"
#include "overlay/text.h"
#include "panels/play_panel.h"
#include "pose/anim.h"
#include "session/session.h"
#include "render/render.h"
#include "tests/gl/gl_window.h"
#include "tests/unit/test_session_globals.h"

namespace {

const int WIN_W = 640,
          WIN_H = 480; // the viewer's window; the ortho volume is -10..10 on every axis

int OpenRenderWindow() {
    static int window = 0;
    return OpenGLTestWindow(&window, "render test", WIN_W, WIN_H);
}

struct Vertex {
    float x, y, z; // OpenGL object coordinates (the projection undone)
    float r, g, b;
};
struct Prim {
    GLenum kind; // GL_POLYGON_TOKEN, GL_LINE_TOKEN or GL_BITMAP_TOKEN
    std::vector<Vertex> v;
};

// The fixed view of these tests: identity modelview, ortho -10..10.
void SetOrthoView() {
    glViewport(0, 0, WIN_W, WIN_H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

Vertex Unproject(const float* f) {
    // window x = (x + 10) * WIN_W / 20, depth = (-z / 10 + 1) / 2
    return Vertex{f[0] * 20.0f / WIN_W - 10.0f,
                  f[1] * 20.0f / WIN_H - 10.0f,
                  -(2.0f * f[2] - 1.0f) * 10.0f,
                  f[3],
                  f[4],
                  f[5]};
}

std::vector<Prim> Capture(const std::function<void()>& draw) {
    std::vector<Prim> prims;
    for (const FeedbackPrim& f : CaptureFeedback(draw)) {
        prims.push_back(Prim{f.kind, {}});
        for (const auto& v : f.v) prims.back().v.push_back(Unproject(v.data()));
    }
    return prims;
}

std::vector<Prim> OfKind(const std::vector<Prim>& prims, GLenum kind) {
    std::vector<Prim> out;
    for (const auto& p : prims)
        if (p.kind == kind) out.push_back(p);
    return out;
}

bool SameColour(const Vertex& v, float r, float g, float b) {
    return std::fabs(v.r - r) < 1e-3 && std::fabs(v.g - g) < 1e-3 && std::fabs(v.b - b) < 1e-3;
}

// A line from model point a to model point b, in OpenGL's (y, z, x) order.
bool LineJoins(const Prim& line, const float* a, const float* b) {
    auto near = [](const Vertex& v, const float* m) {
        return std::fabs(v.x - m[1]) < 1e-3 && std::fabs(v.y - m[2]) < 1e-3 &&
               std::fabs(v.z - m[0]) < 1e-3;
    };
    return near(line.v[0], a) && near(line.v[1], b);
}

BonePose At(float x, float y, float z) { return BonePose{{0, 0, 0, 1}, {x, y, z}}; }

SkelBone Bone(const char* name, int32_t parent, uint32_t flags) {
    SkelBone b{};
    CopyName(b.name, name);
    b.parent = parent;
    b.flags = flags;
    return b;
}

class Render : public ::testing::Test {
  protected:
    SkelModel model;
    RenderOptions options;
    void SetUp() override {
        OpenRenderWindow();
        ASSERT_EQ(glutGet(GLUT_WINDOW_WIDTH), WIN_W);
        ASSERT_EQ(glutGet(GLUT_WINDOW_HEIGHT), WIN_H);
        SetOrthoView();
    }
    void SetBones(std::vector<SkelBone> bones) {
        model.numbones = (int32_t)bones.size();
        model.bones = std::move(bones);
    }
    std::vector<Prim> Skeleton(const BonePose* pose, int32_t count) {
        return Capture([&] { RenderModel(&model, pose, count, &options); });
    }
};

TEST_F(Render, CubeSitsAtTheMappedPositionWithUnitEdgesAndFacesWoundOutwards) {
    const float pos[3] = {1, 2, 3};
    const float rgb[3] = {0.4f, 0.5f, 0.7f};
    auto polys = OfKind(Capture([&] { DrawBoneCube(pos, rgb, 0.5f); }), GL_POLYGON_TOKEN);
    ASSERT_FALSE(polys.empty());
    const float centre[3] = {2, 3, 1}; // model (x, y, z) drawn as (y, z, x)
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    size_t vertices = 0;
    for (const auto& p : polys) {
        for (const auto& v : p.v) {
            const float c[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; k++) {
                lo[k] = std::min(lo[k], c[k]);
                hi[k] = std::max(hi[k], c[k]);
            }
            EXPECT_TRUE(SameColour(v, 0.4f, 0.5f, 0.7f));
            vertices++;
        }
        // Counter-clockwise seen from outside: the normal points away from the centre.
        ASSERT_GE(p.v.size(), 3u);
        const Vertex &a = p.v[0], &b = p.v[1], &c = p.v[2];
        float u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
        float w[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                      u[0] * w[1] - u[1] * w[0]};
        float out[3] = {(a.x + b.x + c.x) / 3 - centre[0], (a.y + b.y + c.y) / 3 - centre[1],
                        (a.z + b.z + c.z) / 3 - centre[2]};
        EXPECT_GT(n[0] * out[0] + n[1] * out[1] + n[2] * out[2], 0.0f);
    }
    // Six faces, as quads or split into two triangles each.
    EXPECT_TRUE(vertices == 24 || vertices == 36) << vertices;
    for (int k = 0; k < 3; k++) {
        EXPECT_NEAR((lo[k] + hi[k]) / 2, centre[k], 1e-3) << "axis " << k;
        EXPECT_NEAR(hi[k] - lo[k], 1.0f, 1e-3) << "axis " << k;
    }
    // The modelview matrix is left as it was.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[0], 1.0f);
}

TEST_F(Render, LineColoursFollowSelectionAndMarking) {
    // root, a marked child, and its unmarked child.
    SetBones({Bone("root", -1, 0), Bone("arm", 0, 1), Bone("hand", 1, 0)});
    BonePose pose[3] = {At(0, 0, 0), At(1, 0, 0), At(1, 0, 2)};
    const float white[3] = {1, 1, 1}, red[3] = {1, 0, 0}, plain[3] = {0.4f, 0.5f, 0.7f};
    // The marked line is white, the selected one red, and selection wins over
    // marking; the root has no line of its own, so selecting it reddens none.
    const struct {
        int selected;
        const float *arm, *hand;
    } cases[] = {{2, white, red}, {1, red, plain}, {0, white, plain}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected);
        options.selected_bone = c.selected;
        auto prims = Skeleton(pose, 3);
        auto lines = OfKind(prims, GL_LINE_TOKEN);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_TRUE(LineJoins(lines[0], pose[0].origin, pose[1].origin));
        EXPECT_TRUE(LineJoins(lines[1], pose[1].origin, pose[2].origin));
        EXPECT_TRUE(SameColour(lines[0].v[0], c.arm[0], c.arm[1], c.arm[2]));
        EXPECT_TRUE(SameColour(lines[1].v[0], c.hand[0], c.hand[1], c.hand[2]));
        // Every bone has its cube, whatever its selection.
        auto polys = OfKind(prims, GL_POLYGON_TOKEN);
        for (const auto& p : polys) EXPECT_TRUE(SameColour(p.v[0], 0.4f, 0.5f, 0.7f));
        EXPECT_TRUE(polys.size() == 18 || polys.size() == 36) << polys.size();
    }
}

TEST_F(Render, ShowQuatsDrawsTheParentsAxesOncePerChild) {
    SetBones({Bone("root", -1, 0), Bone("a", 0, 0), Bone("b", 0, 0), Bone("leaf", 1, 0)});
    const float s = std::sqrt(0.5f);
    // The root turned 90 degrees about z: its x axis points along model +y.
    BonePose pose[4] = {BonePose{{0, 0, s, s}, {1, 2, 3}}, At(4, 4, 4), At(5, 5, 5), At(6, 6, 6)};
    options.selected_bone = 3;

    auto lines = OfKind(Skeleton(pose, 4), GL_LINE_TOKEN);
    EXPECT_EQ(lines.size(), 3u); // no axes while the option is off

    options.show_quats = true;
    lines = OfKind(Skeleton(pose, 4), GL_LINE_TOKEN);
    std::vector<Prim> green;
    for (const auto& l : lines)
        if (SameColour(l.v[0], 0, 1, 0)) green.push_back(l);
    // Root axes for each of its two children, bone a's axes for the leaf.
    ASSERT_EQ(green.size(), 9u);
    const float* p = pose[0].origin;
    const float ends[3][3] = {
        {p[0], p[1] + 1, p[2]}, {p[0] - 1, p[1], p[2]}, {p[0], p[1], p[2] + 1}};
    for (int child = 0; child < 2; child++)
        for (int axis = 0; axis < 3; axis++)
            EXPECT_TRUE(LineJoins(green[child * 3 + axis], p, ends[axis])) << child << " " << axis;
    // Bone a's pose has the identity rotation: plain unit axes.
    const float* q = pose[1].origin;
    const float plain[3][3] = {
        {q[0] + 1, q[1], q[2]}, {q[0], q[1] + 1, q[2]}, {q[0], q[1], q[2] + 1}};
    for (int axis = 0; axis < 3; axis++) EXPECT_TRUE(LineJoins(green[6 + axis], q, plain[axis]));
}

TEST_F(Render, MissingPoseOrBadParentsNeverReadPastTheBones) {
    SetBones({Bone("root", -1, 0), Bone("child", 0, 0)});
    BonePose pose[2] = {At(0, 0, 0), At(0, 0, 1)};
    EXPECT_TRUE(Capture([&] { RenderModel(&model, nullptr, 2, &options); }).empty());
    EXPECT_TRUE(Capture([&] { RenderModel(nullptr, pose, 2, &options); }).empty());

    // A parent beyond the bones (a damaged file) gets no line.
    model.bones[1].parent = 7;
    auto prims = Skeleton(pose, 2);
    EXPECT_TRUE(OfKind(prims, GL_LINE_TOKEN).empty());
    EXPECT_FALSE(OfKind(prims, GL_POLYGON_TOKEN).empty());

    // A selection beyond the bones marks nothing.
    model.bones[1].parent = 0;
    options.selected_bone = 40;
    auto lines = OfKind(Skeleton(pose, 2), GL_LINE_TOKEN);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(SameColour(lines[0].v[0], 0.4f, 0.5f, 0.7f));

    // Neither a count nor a numbones larger than the arrays is trusted; a
    // smaller count draws only the bones it covers.
    model.numbones = 5;
    EXPECT_EQ(OfKind(Skeleton(pose, 5), GL_LINE_TOKEN).size(), 1u);
    EXPECT_EQ(OfKind(Skeleton(pose, 1), GL_POLYGON_TOKEN).size() * 2,
              OfKind(Skeleton(pose, 2), GL_POLYGON_TOKEN).size());
}

TEST_F(Render, OptionsApplyWhileDrawingAndStateIsRestored) {
    SetBones({Bone("root", -1, 0), Bone("child", 0, 0)});
    BonePose pose[2] = {At(0, 0, 0), At(0, 0, 3)};
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.25f, 0.5f, 0.75f);
    const size_t faces = OfKind(Skeleton(pose, 2), GL_POLYGON_TOKEN).size();
    ASSERT_GT(faces, 0u);

    // Wireframe: the cubes' faces come out as lines, not polygons.
    options.wireframe = true;
    auto prims = Skeleton(pose, 2);
    EXPECT_TRUE(OfKind(prims, GL_POLYGON_TOKEN).empty());
    EXPECT_GT(OfKind(prims, GL_LINE_TOKEN).size(), 1u);
    options.wireframe = false;

    // Culling seen into a corner keeps the near half of the faces.
    options.cull_backfaces = true;
    glRotatef(30, 1, 0, 0);
    glRotatef(-40, 0, 1, 0);
    EXPECT_EQ(OfKind(Skeleton(pose, 2), GL_POLYGON_TOKEN).size() * 2, faces);
    glLoadIdentity();

    options.show_skeleton = false;
    EXPECT_TRUE(Skeleton(pose, 2).empty());

    // Everything the options switched is back as it was.
    GLint modes[2];
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    glDisable(GL_TEXTURE_2D);
}

// Playback off, the frame ticks the timer, brings the selection into range and
// draws the key channels' pose over the key list. Playback on: the tick steps
// the player, the skeleton shows its frame (blended towards the next between
// ticks when smooth), and Stop gives the channels' pose back. The channels are
// at frame 1 throughout.
TEST_F(Render, SkeletonFrameDrawsTheChannelsOrThePlaybackPose) {
    CoreGlobals saved;
    SaveCoreGlobals(&saved);
    Playback savedPlay = Play;
    SetBones({Bone("root", -1, 0), Bone("child", 0, 0)});
    CurrentModel = &model;
    SelectedBone = 40;
    model.numframes = 3;
    model.frames.assign(3, PoseFrame{});
    for (int f = 0; f < 3; f++) model.frames[f].poses = {At(0, 0, 1), At(0, f + 1.0f, 0)};
    testing::internal::CaptureStdout();
    ResetKeyChannels();
    testing::internal::GetCapturedStdout();
    std::vector<Prim> prims;
    auto childLine = [&] {
        prims = Capture([] { DrawSkeletonFrame(); });
        auto lines = OfKind(prims, GL_LINE_TOKEN);
        EXPECT_EQ(lines.size(), 1u);
        return lines.empty() ? Prim{GL_LINE_TOKEN, {Vertex{}, Vertex{}}} : lines[0];
    };
    const float root[3] = {0, 0, 1}, keys[3] = {0, 2, 1};

    Play = Playback{};
    ModelTimer = AnimTimer{};
    RegisterDefaultAnimation(&model);
    TickTime = 5000;
    EXPECT_TRUE(LineJoins(childLine(), root, keys));
    EXPECT_EQ(ModelTimer.frame[0], 1); // one tick of the default animation
    EXPECT_EQ(SelectedBone, 0);
    EXPECT_FALSE(OfKind(prims, GL_BITMAP_TOKEN).empty()); // the key list, under the skeleton

    Play.mode = PLAY_PLAYING;
    Play.frame = 1;
    RestartPlaybackInterval(&Play, 4900);
    TickTime = 5000; // a frame time on at 10 fps: the player steps to frame 2
    Prim line = childLine();
    EXPECT_EQ(Play.frame, 2);
    const float atTwo[3] = {0, 3, 1};
    EXPECT_TRUE(LineJoins(line, root, atTwo));

    // Half way to the next tick, smooth: towards frame 1, the loop's first.
    RestartPlaybackInterval(&Play, 5000);
    Play.smooth = true;
    TickTime = 5050;
    line = childLine();
    EXPECT_EQ(Play.frame, 2);
    const float half[3] = {0, 2.5f, 1};
    EXPECT_TRUE(LineJoins(line, root, half));

    StopPlayback(&Play, model.numframes);
    EXPECT_TRUE(LineJoins(childLine(), root, keys));

    Play = savedPlay;
    RestoreCoreGlobals(saved);
}

// Reads the whole window after a draw into the back buffer.
std::vector<unsigned char> Snapshot(const std::function<void()>& draw) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    return ReadWindowRGB(WIN_W, WIN_H);
}

TEST_F(Render, KeyListWritesOneLinePerKeyAtTheTopRight) {
    FrameKeys list;
    list.numkeys = 2;
    list.keys = {'L', 'r'};
    list.keyframes = {2, 1};

    auto bitmaps =
        OfKind(Capture([&] { DrawKeyList(GLUT_BITMAP_HELVETICA_10, &list); }), GL_BITMAP_TOKEN);
    // "Key: L frame:2" and "Key: r frame:1", one glyph each character, and
    // the pixels those of the two texts printed directly at x = 0.8 of the
    // width, 0.03 of the height apart from y = 0.98 down.
    EXPECT_EQ(bitmaps.size(), 28u);
    auto drawn = Snapshot([&] { DrawKeyList(GLUT_BITMAP_HELVETICA_10, &list); });
    auto expected = Snapshot([] {
        PrintOverlay(0.8f, 0.98f, "Key: L frame:2");
        PrintOverlay(0.8f, 0.95f, "Key: r frame:1");
    });
    auto other = Snapshot([] {
        PrintOverlay(0.8f, 0.98f, "Key: L frame:3");
        PrintOverlay(0.8f, 0.95f, "Key: r frame:1");
    });
    EXPECT_NE(std::count(drawn.begin(), drawn.end(), 0), (long)drawn.size());
    EXPECT_TRUE(drawn == expected);
    EXPECT_FALSE(drawn == other);

    // A key code 0 prints an empty key text.
    list.numkeys = 1;
    list.keys = {0};
    list.keyframes = {1};
    EXPECT_EQ(
        OfKind(Capture([&] { DrawKeyList(GLUT_BITMAP_HELVETICA_10, &list); }), GL_BITMAP_TOKEN)
            .size(),
        13u);

    FrameKeys none;
    EXPECT_TRUE(Capture([&] { DrawKeyList(GLUT_BITMAP_HELVETICA_10, &none); }).empty());
}

} // namespace
