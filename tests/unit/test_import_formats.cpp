// boneloom-tool import of formats other than glTF, from small files written
// here: a skinned Collada file with a keyed joint, and an OBJ quad with a
// textured material, checked against values worked out by hand. The scenes
// are y-up, so model (x, y, z) is scene (z, x, y).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/test_model_helpers.h"
#include "tests/unit/test_pose_fixture.h"
#include "tools/import/import.h"

namespace {

// Two joints, "tip" one unit above "root" under a plain "Armature" node, and
// one triangle: vertex 0 at the origin on root, vertex 1 at x = 1 on root
// 0.25 and tip 0.5 (not summing to 1), vertex 2 at y = 2 on tip. Tip turns
// about z by 0, 90 and 180 degrees at 0, 1 and 2 seconds.
const char BLADE_DAE[] = R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<asset><unit name="meter" meter="1"/><up_axis>Y_UP</up_axis></asset>
<library_effects><effect id="fx"><profile_COMMON><technique sid="c"><phong/></technique>
</profile_COMMON></effect></library_effects>
<library_materials><material id="steel" name="steel"><instance_effect url="#fx"/></material>
</library_materials>
<library_geometries><geometry id="blade" name="blade"><mesh>
<source id="pos"><float_array id="pos-a" count="9">0 0 0 1 0 0 0 2 0</float_array>
<technique_common><accessor source="#pos-a" count="3" stride="3"><param name="X" type="float"/>
<param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
<source id="nrm"><float_array id="nrm-a" count="3">0 0 1</float_array>
<technique_common><accessor source="#nrm-a" count="1" stride="3"><param name="X" type="float"/>
<param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
<source id="uv"><float_array id="uv-a" count="6">0 0 1 0 0 1</float_array>
<technique_common><accessor source="#uv-a" count="3" stride="2"><param name="S" type="float"/>
<param name="T" type="float"/></accessor></technique_common></source>
<vertices id="v"><input semantic="POSITION" source="#pos"/></vertices>
<triangles material="m" count="1"><input semantic="VERTEX" source="#v" offset="0"/>
<input semantic="NORMAL" source="#nrm" offset="1"/>
<input semantic="TEXCOORD" source="#uv" offset="2" set="0"/><p>0 0 0 1 0 1 2 0 2</p></triangles>
</mesh></geometry></library_geometries>
<library_controllers><controller id="skin"><skin source="#blade">
<bind_shape_matrix>1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</bind_shape_matrix>
<source id="j"><Name_array id="j-a" count="2">root tip</Name_array><technique_common>
<accessor source="#j-a" count="2" stride="1"><param name="JOINT" type="name"/></accessor>
</technique_common></source>
<source id="ib"><float_array id="ib-a" count="32">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1
1 0 0 0 0 1 0 -1 0 0 1 0 0 0 0 1</float_array><technique_common>
<accessor source="#ib-a" count="2" stride="16"><param name="TRANSFORM" type="float4x4"/>
</accessor></technique_common></source>
<source id="w"><float_array id="w-a" count="3">1 0.25 0.5</float_array><technique_common>
<accessor source="#w-a" count="3" stride="1"><param name="WEIGHT" type="float"/></accessor>
</technique_common></source>
<joints><input semantic="JOINT" source="#j"/><input semantic="INV_BIND_MATRIX" source="#ib"/></joints>
<vertex_weights count="3"><input semantic="JOINT" source="#j" offset="0"/>
<input semantic="WEIGHT" source="#w" offset="1"/><vcount>1 2 1</vcount><v>0 0 0 1 1 2 1 0</v>
</vertex_weights></skin></controller></library_controllers>
<library_animations><animation id="swing">
<source id="t"><float_array id="t-a" count="3">0 1 2</float_array><technique_common>
<accessor source="#t-a" count="3" stride="1"><param name="TIME" type="float"/></accessor>
</technique_common></source>
<source id="a"><float_array id="a-a" count="3">0 90 180</float_array><technique_common>
<accessor source="#a-a" count="3" stride="1"><param name="ANGLE" type="float"/></accessor>
</technique_common></source>
<sampler id="s"><input semantic="INPUT" source="#t"/><input semantic="OUTPUT" source="#a"/></sampler>
<channel source="#s" target="tip/rotZ.ANGLE"/></animation></library_animations>
<library_visual_scenes><visual_scene id="scene">
<node id="Armature" name="Armature" type="NODE">
<node id="root" name="root" sid="root" type="JOINT">
<node id="tip" name="tip" sid="tip" type="JOINT"><translate>0 1 0</translate>
<rotate sid="rotZ">0 0 1 0</rotate></node></node></node>
<node id="blade-node" name="blade-node" type="NODE"><instance_controller url="#skin">
<skeleton>#root</skeleton><bind_material><technique_common>
<instance_material symbol="m" target="#steel"/></technique_common></bind_material>
</instance_controller></node></visual_scene></library_visual_scenes>
<scene><instance_visual_scene url="#scene"/></scene></COLLADA>
)";

// A 2 x 3 quad on the ground (y up) named in 70 bytes, its texture in a folder.
const char TILE_OBJ[] =
    "mtllib tile.mtl\n"
    "o tile_with_a_name_of_seventy_bytes_which_is_seven_more_than_fits_extra7\n"
    "v 0 0 0\nv 2 0 0\nv 2 0 -3\nv 0 0 -3\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 1 0\n"
    "usemtl stone\nf 1/1/1 2/2/1 3/3/1 4/4/1\n";
const char TILE_MTL[] = "newmtl stone\nKd 1 1 1\nmap_Kd textures\\stone_wall.tga\n";

void WriteText(const std::string& path, const char* text) {
    WriteWhole(path, Image(text, text + strlen(text)));
}

// Where frame f puts vertex v of mesh 0.
std::vector<double> Skinned(const SkelModel& model, int32_t f, int32_t v) {
    return ModelPoint(SkinFrame(model, f)[0], v);
}

// The vertex of mesh 0 that frame 0 puts at p.
int32_t FindVertex(const SkelModel& model, std::vector<double> p) {
    SkinnedMesh rest = SkinFrame(model, 0)[0];
    for (int32_t v = 0; v < model.meshes[0].numverts; v++) {
        std::vector<double> at = ModelPoint(rest, v);
        if (std::fabs(at[0] - p[0]) + std::fabs(at[1] - p[1]) + std::fabs(at[2] - p[2]) < 1e-5)
            return v;
    }
    ADD_FAILURE() << "no vertex at " << p[0] << " " << p[1] << " " << p[2];
    return 0;
}

void ExpectNear(const std::vector<double>& got, std::vector<double> want) {
    for (int k = 0; k < 3; k++) EXPECT_NEAR(got[k], want[k], 1e-5) << k;
}

} // namespace

TEST(ImportFormats, ColladaAndObjFilesComeInWithHandComputedValues) {
    TempDir dir;
    WriteText(dir.File("blade.dae"), BLADE_DAE);
    SkelModel model;
    std::vector<std::string> warnings;
    std::string reason;
    ASSERT_TRUE(
        ImportModel(dir.File("blade.dae").c_str(), ImportOptions(), &model, &warnings, &reason))
        << reason;
    // The plain node above the joints is the skeleton's root; the scene root is not a bone.
    ASSERT_EQ(model.numbones, 3);
    const char* names[3] = {"Armature", "root", "tip"};
    for (int i = 0; i < 3; i++) {
        EXPECT_STREQ(model.bones[i].name, names[i]);
        EXPECT_EQ(model.bones[i].parent, i - 1);
    }
    // The bind pose, then one frame per key (0, 1 and 2 s are evenly spaced).
    ASSERT_EQ(model.numframes, 4);
    EXPECT_STREQ(model.frames[3].name, "frame3");
    ASSERT_EQ(model.nummeshes, 1);
    const SkelMesh& mesh = model.meshes[0];
    EXPECT_STREQ(mesh.skinname, "steel");
    EXPECT_EQ(mesh.numverts, 3);
    EXPECT_EQ(mesh.numtris, 1);
    EXPECT_EQ(mesh.references, std::vector<int32_t>({1, 2}));

    // Scene (1, 0, 0) is model (0, 1, 0): 1/3 on root, 2/3 on tip once normalised.
    int32_t v1 = FindVertex(model, {0, 1, 0}), v2 = FindVertex(model, {0, 0, 2});
    const SkelVertex& vertex = mesh.verts[v1];
    ASSERT_EQ(vertex.numweights, 2);
    for (int32_t w = 0; w < 2; w++)
        EXPECT_NEAR(vertex.weights[w].influence, vertex.weights[w].bonenum == 1 ? 1 / 3.0 : 2 / 3.0,
                    1e-6);
    // Bones stand unturned in the scene, so a weight's normal is the scene's (0, 0, 1).
    EXPECT_NEAR(vertex.weights[0].normal[2], 1, 1e-6);
    // (1, 0) kept: t counts from the texture's bottom row, as OpenGL and Collada count.
    EXPECT_EQ(mesh.texcoords[2 * v1], 1);
    EXPECT_EQ(mesh.texcoords[2 * v1 + 1], 0);
    EXPECT_NE(warnings.at(0).find("1 vertices had influences not summing to 1"), std::string::npos);
    // At 1 s the tip (model (0, 0, 1)) has turned 90 degrees about scene z,
    // model x: vertex 2 one unit above it goes to (0, -1, 1); vertex 1, at
    // (0, 1, -1) from it, to (0, 1, 2) on the tip and stays (0, 1, 0) on root.
    ExpectNear(Skinned(model, 2, v2), {0, -1, 1});
    ExpectNear(Skinned(model, 2, v1), {0, 1, 4 / 3.0});
    ExpectNear(Skinned(model, 3, v2), {0, 0, 0});
    // At 2 fps the keys are sampled between: 45 degrees at 0.5 s (frame 2).
    ImportOptions twoFps;
    twoFps.fps = 2;
    ASSERT_TRUE(ImportModel(dir.File("blade.dae").c_str(), twoFps, &model, &warnings, &reason));
    EXPECT_EQ(model.numframes, 1 + 5);
    ExpectNear(Skinned(model, 2, v2), {0, -std::sqrt(0.5), 1 + std::sqrt(0.5)});

    // OBJ: no bones at all, so one bone at the origin carries the quad;
    // --scale 2 doubles it. Scene (2, 0, -3) is model (-3, 2, 0), then (-6, 4, 0).
    WriteText(dir.File("tile.obj"), TILE_OBJ);
    WriteText(dir.File("tile.mtl"), TILE_MTL);
    ImportOptions doubled;
    doubled.scale = 2;
    warnings.clear();
    ASSERT_TRUE(ImportModel(dir.File("tile.obj").c_str(), doubled, &model, &warnings, &reason))
        << reason;
    ASSERT_EQ(model.numbones, 1);
    EXPECT_STREQ(model.bones[0].name, "root");
    EXPECT_EQ(model.numframes, 1);
    ASSERT_EQ(model.nummeshes, 1);
    EXPECT_STREQ(model.meshes[0].meshname,
                 "tile_with_a_name_of_seventy_bytes_which_is_seven_more_than_fits"); // 63 bytes
    EXPECT_STREQ(model.meshes[0].skinname, "stone_wall.tga"); // the diffuse texture's file name
    EXPECT_EQ(model.meshes[0].numverts, 4);                   // corners shared by the two triangles
    EXPECT_EQ(model.meshes[0].numtris, 2);
    int32_t corner = FindVertex(model, {-6, 4, 0});
    const BoneWeight& weight = model.meshes[0].verts[corner].weights[0];
    EXPECT_EQ(weight.bonenum, 0);
    EXPECT_EQ(weight.influence, 1);
    ExpectNear({weight.normal[0], weight.normal[1], weight.normal[2]}, {0, 0, 1});
    EXPECT_EQ(model.meshes[0].texcoords[2 * corner], 1);
    EXPECT_EQ(model.meshes[0].texcoords[2 * corner + 1], 1);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("fits_extra7\" cut to 63 bytes"), std::string::npos);
    EXPECT_NE(warnings[1].find("no bones"), std::string::npos);
}
