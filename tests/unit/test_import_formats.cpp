// boneloom-tool import of formats other than glTF, from small files written
// here: a skinned Collada file with a keyed joint, the same figure as FBX and
// as Collada in centimetres and z up under an armature object, and an OBJ
// quad with a textured material, checked against values worked out by hand;
// then hostile files through the reader's guard.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/unit/test_model_helpers.h"
#include "tests/unit/test_pose_fixture.h"
#include "tools/import/guard.h"
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
// A figure in centimetres, z up: an armature object 100 cm up and turned 90
// degrees about z holds Pelvis, Head 50 cm above it and an unweighted leaf
// HeadTop 20 cm above that. Vertex 0 (0, 0, 100) is on Pelvis, vertices 1
// (10, 0, 150) and 2 (0, 10, 150) on Head; Head turns 90 degrees about its
// own x (the file's y) from 0 to 1 s. Mesh and material by name: "body", "skin".
const char FIGURE_DAE[] = R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<asset><unit name="centimeter" meter="0.01"/><up_axis>Z_UP</up_axis></asset>
<library_effects><effect id="skin-fx"><profile_COMMON><technique sid="c"><phong/></technique>
</profile_COMMON></effect></library_effects>
<library_materials><material id="skin-material" name="skin"><instance_effect url="#skin-fx"/>
</material></library_materials>
<library_geometries><geometry id="body-mesh" name="body"><mesh>
<source id="pos"><float_array id="pos-a" count="9">0 0 100 10 0 150 0 10 150</float_array>
<technique_common><accessor source="#pos-a" count="3" stride="3"><param name="X" type="float"/>
<param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
<vertices id="v"><input semantic="POSITION" source="#pos"/></vertices>
<triangles material="m" count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p>
</triangles></mesh></geometry></library_geometries>
<library_controllers><controller id="body-skin"><skin source="#body-mesh">
<bind_shape_matrix>1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</bind_shape_matrix>
<source id="j"><Name_array id="j-a" count="2">Pelvis Head</Name_array><technique_common>
<accessor source="#j-a" count="2" stride="1"><param name="JOINT" type="name"/></accessor>
</technique_common></source>
<source id="ib"><float_array id="ib-a" count="32">0 1 0 0 -1 0 0 0 0 0 1 -100 0 0 0 1
0 1 0 0 -1 0 0 0 0 0 1 -150 0 0 0 1</float_array><technique_common>
<accessor source="#ib-a" count="2" stride="16"><param name="TRANSFORM" type="float4x4"/>
</accessor></technique_common></source>
<source id="w"><float_array id="w-a" count="1">1</float_array><technique_common>
<accessor source="#w-a" count="1" stride="1"><param name="WEIGHT" type="float"/></accessor>
</technique_common></source>
<joints><input semantic="JOINT" source="#j"/><input semantic="INV_BIND_MATRIX" source="#ib"/></joints>
<vertex_weights count="3"><input semantic="JOINT" source="#j" offset="0"/>
<input semantic="WEIGHT" source="#w" offset="1"/><vcount>1 1 1</vcount><v>0 0 1 0 1 0</v>
</vertex_weights></skin></controller></library_controllers>
<library_animations><animation id="nod">
<source id="t"><float_array id="t-a" count="2">0 1</float_array><technique_common>
<accessor source="#t-a" count="2" stride="1"><param name="TIME" type="float"/></accessor>
</technique_common></source>
<source id="a"><float_array id="a-a" count="2">0 90</float_array><technique_common>
<accessor source="#a-a" count="2" stride="1"><param name="ANGLE" type="float"/></accessor>
</technique_common></source>
<sampler id="s"><input semantic="INPUT" source="#t"/><input semantic="OUTPUT" source="#a"/></sampler>
<channel source="#s" target="skel_Head/rotX.ANGLE"/></animation></library_animations>
<library_visual_scenes><visual_scene id="scene">
<node id="Armature" name="Armature" type="NODE"><translate>0 0 100</translate>
<rotate>0 0 1 90</rotate><node id="skel_Pelvis" name="Pelvis" sid="Pelvis" type="JOINT">
<node id="skel_Head" name="Head" sid="Head" type="JOINT"><translate>0 0 50</translate>
<rotate sid="rotX">1 0 0 0</rotate>
<node id="skel_HeadTop" name="HeadTop" sid="HeadTop" type="JOINT"><translate>0 0 20</translate>
</node></node></node></node>
<node id="body-node" name="body" type="NODE"><instance_controller url="#body-skin">
<skeleton>#skel_Pelvis</skeleton><bind_material><technique_common>
<instance_material symbol="m" target="#skin-material"/></technique_common></bind_material>
</instance_controller></node></visual_scene></library_visual_scenes>
<scene><instance_visual_scene url="#scene"/></scene></COLLADA>
)";

// The same figure as ASCII FBX: UnitScaleFactor 1 (centimetres), z up, front
// -y; the armature a Null, the bones LimbNodes; skin.png beside the file.
const char FIGURE_FBX[] = R"(; FBX 7.4.0 project file
FBXHeaderExtension:  {
	FBXHeaderVersion: 1003
	FBXVersion: 7400
}
GlobalSettings:  {
	Version: 1000
	Properties70:  {
		P: "UpAxis", "int", "Integer", "",2
		P: "UpAxisSign", "int", "Integer", "",1
		P: "FrontAxis", "int", "Integer", "",1
		P: "FrontAxisSign", "int", "Integer", "",-1
		P: "CoordAxis", "int", "Integer", "",0
		P: "CoordAxisSign", "int", "Integer", "",1
		P: "UnitScaleFactor", "double", "Number", "",1
	}
}
Objects:  {
	Geometry: 100, "Geometry::body", "Mesh" {
		Vertices: *9 {
			a: 0,0,100,10,0,150,0,10,150
		}
		PolygonVertexIndex: *3 {
			a: 0,1,-3
		}
		GeometryVersion: 124
		LayerElementMaterial: 0 {
			Version: 101
			MappingInformationType: "AllSame"
			ReferenceInformationType: "IndexToDirect"
			Materials: *1 {
				a: 0
			}
		}
		Layer: 0 {
			Version: 100
			LayerElement:  {
				Type: "LayerElementMaterial"
				TypedIndex: 0
			}
		}
	}
	Model: 200, "Model::body", "Mesh" {
		Version: 232
	}
	Material: 210, "Material::skin", "" {
		Version: 102
		ShadingModel: "phong"
	}
	Texture: 220, "Texture::skin", "" {
		Type: "TextureVideoClip"
		Version: 202
		FileName: "/art/textures/skin.png"
		RelativeFilename: "textures/skin.png"
	}
	Model: 300, "Model::Armature", "Null" {
		Version: 232
		Properties70:  {
			P: "Lcl Translation", "Lcl Translation", "", "A",0,0,100
			P: "Lcl Rotation", "Lcl Rotation", "", "A",0,0,90
		}
	}
	NodeAttribute: 301, "NodeAttribute::Armature", "Null" {
		TypeFlags: "Null"
	}
	Model: 310, "Model::Pelvis", "LimbNode" {
		Version: 232
	}
	Model: 320, "Model::Head", "LimbNode" {
		Version: 232
		Properties70:  {
			P: "Lcl Translation", "Lcl Translation", "", "A",0,0,50
		}
	}
	Model: 330, "Model::HeadTop", "LimbNode" {
		Version: 232
		Properties70:  {
			P: "Lcl Translation", "Lcl Translation", "", "A",0,0,20
		}
	}
	Deformer: 400, "Deformer::body", "Skin" {
		Version: 101
	}
	Deformer: 410, "SubDeformer::Pelvis", "Cluster" {
		Version: 100
		Indexes: *1 {
			a: 0
		}
		Weights: *1 {
			a: 1
		}
		Transform: *16 {
			a: 0,-1,0,0,1,0,0,0,0,0,1,0,0,0,-100,1
		}
		TransformLink: *16 {
			a: 0,1,0,0,-1,0,0,0,0,0,1,0,0,0,100,1
		}
	}
	Deformer: 420, "SubDeformer::Head", "Cluster" {
		Version: 100
		Indexes: *2 {
			a: 1,2
		}
		Weights: *2 {
			a: 1,1
		}
		Transform: *16 {
			a: 0,-1,0,0,1,0,0,0,0,0,1,0,0,0,-150,1
		}
		TransformLink: *16 {
			a: 0,1,0,0,-1,0,0,0,0,0,1,0,0,0,150,1
		}
	}
	AnimationStack: 500, "AnimStack::nod", "" {
	}
	AnimationLayer: 510, "AnimLayer::BaseLayer", "" {
	}
	AnimationCurveNode: 520, "AnimCurveNode::R", "" {
		Properties70:  {
			P: "d|X", "Number", "", "A",0
			P: "d|Y", "Number", "", "A",0
			P: "d|Z", "Number", "", "A",0
		}
	}
	AnimationCurve: 530, "AnimCurve::", "" {
		Default: 0
		KeyVer: 4009
		KeyTime: *2 {
			a: 0,46186158000
		}
		KeyValueFloat: *2 {
			a: 0,90
		}
	}
}
Connections:  {
	C: "OO",200,0
	C: "OO",100,200
	C: "OO",210,200
	C: "OP",220,210, "DiffuseColor"
	C: "OO",300,0
	C: "OO",301,300
	C: "OO",310,300
	C: "OO",320,310
	C: "OO",330,320
	C: "OO",400,100
	C: "OO",410,400
	C: "OO",420,400
	C: "OO",310,410
	C: "OO",320,420
	C: "OO",510,500
	C: "OO",520,510
	C: "OP",520,320, "Lcl Rotation"
	C: "OP",530,520, "d|X"
}
)";

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

// Checks got against want within 1e-5 and gives the largest difference.
double ExpectNear(const std::vector<double>& got, std::vector<double> want) {
    double most = 0;
    for (int k = 0; k < 3; k++) {
        EXPECT_NEAR(got[k], want[k], 1e-5) << k;
        most = std::max(most, std::fabs(got[k] - want[k]));
    }
    return most;
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
    // The plain node above the joints is an armature object, folded away.
    ASSERT_EQ(model.numbones, 2);
    EXPECT_STREQ(model.bones[0].name, "root");
    EXPECT_STREQ(model.bones[1].name, "tip");
    EXPECT_EQ(model.bones[1].parent, 0);
    // The bind pose, then one frame per key (0, 1 and 2 s are evenly spaced).
    ASSERT_EQ(model.numframes, 4);
    EXPECT_STREQ(model.frames[3].name, "frame3");
    ASSERT_EQ(model.nummeshes, 1);
    const SkelMesh& mesh = model.meshes[0];
    EXPECT_STREQ(mesh.skinname, "steel");
    EXPECT_EQ(mesh.numverts, 3);
    EXPECT_EQ(mesh.numtris, 1);
    EXPECT_EQ(mesh.references, std::vector<int32_t>({0, 1}));

    // Scene (1, 0, 0) is model (0, 1, 0): 1/3 on root, 2/3 on tip once normalised.
    int32_t v1 = FindVertex(model, {0, 1, 0}), v2 = FindVertex(model, {0, 0, 2});
    const SkelVertex& vertex = mesh.verts[v1];
    ASSERT_EQ(vertex.numweights, 2);
    for (int32_t w = 0; w < 2; w++)
        EXPECT_NEAR(vertex.weights[w].influence, vertex.weights[w].bonenum == 0 ? 1 / 3.0 : 2 / 3.0,
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
    EXPECT_STREQ(model.meshes[0].skinname, "stone"); // the material's name
    EXPECT_EQ(model.meshes[0].numverts, 4);          // corners shared by the two triangles
    EXPECT_EQ(model.meshes[0].numtris, 2);
    int32_t corner = FindVertex(model, {-6, 4, 0});
    const BoneWeight& weight = model.meshes[0].verts[corner].weights[0];
    EXPECT_EQ(weight.bonenum, 0);
    EXPECT_EQ(weight.influence, 1);
    ExpectNear({weight.normal[0], weight.normal[1], weight.normal[2]}, {0, 0, 1});
    EXPECT_EQ(model.meshes[0].texcoords[2 * corner], 1);
    EXPECT_EQ(model.meshes[0].texcoords[2 * corner + 1], 1);
    // Its texture is nowhere to be found: one line says so.
    std::vector<ImportedTexture> textures;
    ASSERT_TRUE(
        ImportModel(dir.File("tile.obj").c_str(), doubled, &model, &warnings, &reason, &textures));
    EXPECT_TRUE(textures.empty());
    ASSERT_EQ(warnings.size(), 5u);
    EXPECT_NE(warnings[0].find("fits_extra7\" cut to 63 bytes"), std::string::npos);
    EXPECT_NE(warnings[1].find("no bones"), std::string::npos);
    EXPECT_NE(warnings[4].find("skin \"stone\" is not written: \"textures\\stone_wall.tga\" is "
                               "neither embedded nor found"),
              std::string::npos)
        << warnings[4];
}

TEST(ImportFormats, FbxAndColladaComeInAtTrueSizeFacingWithEveryBoneAndTheArtistsNames) {
    TempDir dir;
    WriteText(dir.File("figure.dae"), FIGURE_DAE);
    WriteText(dir.File("figure.fbx"), FIGURE_FBX);
    // A left-handed axis set: taken as right-handed, with one line.
    std::string mirrored = FIGURE_FBX;
    const std::string coord = "\"CoordAxisSign\", \"int\", \"Integer\", \"\",1";
    mirrored.replace(mirrored.find(coord), coord.size(), coord.substr(0, coord.size() - 1) + "-1");
    WriteText(dir.File("mirrored.fbx"), mirrored.c_str());
    const Image PNG = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 1, 2, 3};
    WriteWhole(dir.File("skin.png"), PNG);

    const struct {
        const char* file;
        double scale;
        const char* note; // the one warning expected, if any
        bool texture;
    } CASES[] = {
        {"figure.dae", 1, nullptr, false},
        {"figure.fbx", 1, nullptr, true},
        {"mirrored.fbx", 2, "the FBX axes are left-handed (right -X); right taken as +X", true},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(c.file);
        SkelModel model;
        std::vector<std::string> warnings;
        std::vector<ImportedTexture> textures;
        std::string reason;
        ImportOptions options;
        options.scale = c.scale;
        ASSERT_TRUE(
            ImportModel(dir.File(c.file).c_str(), options, &model, &warnings, &reason, &textures))
            << reason;
        ASSERT_EQ(warnings.size(), c.note ? 1u : 0u) << warnings[0];
        if (c.note) {
            EXPECT_NE(warnings[0].find(c.note), std::string::npos) << warnings[0];
        }
        // No armature bone; the unweighted leaf kept; names, not ids.
        ASSERT_EQ(model.numbones, 3);
        const char* names[3] = {"Pelvis", "Head", "HeadTop"};
        for (int i = 0; i < 3; i++) {
            EXPECT_STREQ(model.bones[i].name, names[i]);
            EXPECT_EQ(model.bones[i].parent, i - 1);
        }
        ASSERT_EQ(model.nummeshes, 1);
        EXPECT_STREQ(model.meshes[0].meshname, "body");
        EXPECT_STREQ(model.meshes[0].skinname, "skin");
        ASSERT_EQ(model.numframes, 3);
        ASSERT_EQ(textures.size(), c.texture ? 1u : 0u);
        if (c.texture) {
            EXPECT_EQ(textures[0].file, "skin.png");
            EXPECT_EQ(textures[0].bytes, PNG);
        }

        // File (x, y, z) cm is model (-y, x, z) m: z stays up, the file's
        // front -y faces model +x, as a glTF of the figure would.
        double s = c.scale / 100;
        int32_t v0 = FindVertex(model, {0, 0, 100 * s}),
                v1 = FindVertex(model, {0, 10 * s, 150 * s}),
                v2 = FindVertex(model, {-10 * s, 0, 150 * s});
        double most = std::max({ExpectNear(Skinned(model, 0, v0), {0, 0, 100 * s}),
                                ExpectNear(Skinned(model, 0, v1), {0, 10 * s, 150 * s}),
                                ExpectNear(Skinned(model, 2, v0), {0, 0, 100 * s})});
        // Head's x is the file's y after the armature's turn: at 1 s vertex 1
        // (10 cm along the file's x) swings down to 10 cm below the head;
        // vertex 2 lies on the axis and stays.
        most = std::max({most, ExpectNear(Skinned(model, 2, v1), {0, 0, 140 * s}),
                         ExpectNear(Skinned(model, 2, v2), {-10 * s, 0, 150 * s})});
        // HeadTop follows Head: 20 cm along the file's x; the armature's
        // 90 degrees and the file's own turn give the root bone 180 degrees
        // about z in the bind pose.
        std::vector<BonePose> pose = FramePose(model, 2), bind = FramePose(model, 0);
        ExpectNear({pose[2].origin[0], pose[2].origin[1], pose[2].origin[2]}, {0, 20 * s, 150 * s});
        ExpectNear({bind[2].origin[0], bind[2].origin[1], bind[2].origin[2]}, {0, 0, 170 * s});
        EXPECT_NEAR(std::fabs(bind[0].quat[2]), 1, 1e-6);
        printf(
            "%-12s %i bones (%s, %s, %s), mesh \"%s\", skin \"%s\", x%g: skinned vertices "
            "within %.1e m of the hand-computed ones\n",
            c.file, model.numbones, model.bones[0].name, model.bones[1].name, model.bones[2].name,
            model.meshes[0].meshname, model.meshes[0].skinname, c.scale, most);
    }

    // Head with a rotation offset (5 cm), a rotation pivot (3 cm) and a
    // pre-rotation (30 degrees about z): assimp's pivot helper nodes above it
    // fold into the bone, the keyed one's channel with them. In the file's
    // space HeadTop at 1 s is T(58 up) Rz(30) Rx(90) T(3 down) (0, 0, 20) =
    // (8.5, -14.72, 58) from Pelvis, (14.72, 8.5, 158) after the armature.
    std::string pivot = FIGURE_FBX;
    const std::string head = "\"A\",0,0,50\n";
    pivot.insert(pivot.find(head) + head.size(),
                 "\t\t\tP: \"RotationOffset\", \"Vector3D\", \"Vector\", \"\",0,0,5\n"
                 "\t\t\tP: \"RotationPivot\", \"Vector3D\", \"Vector\", \"\",0,0,3\n"
                 "\t\t\tP: \"PreRotation\", \"Vector3D\", \"Vector\", \"\",0,0,30\n");
    WriteText(dir.File("pivot.fbx"), pivot.c_str());
    SkelModel model;
    std::vector<std::string> warnings;
    std::string reason;
    ASSERT_TRUE(
        ImportModel(dir.File("pivot.fbx").c_str(), ImportOptions(), &model, &warnings, &reason))
        << reason;
    ASSERT_EQ(model.numbones, 3);
    EXPECT_STREQ(model.bones[1].name, "Head");
    ASSERT_EQ(model.numframes, 3);
    std::vector<BonePose> still = FramePose(model, 1), turned = FramePose(model, 2);
    ExpectNear({still[2].origin[0], still[2].origin[1], still[2].origin[2]}, {0, 0, 1.75});
    ExpectNear({turned[2].origin[0], turned[2].origin[1], turned[2].origin[2]},
               {-0.085, 0.085 * std::sqrt(3.0), 1.58});
}

TEST(ImportGuard, HostileNestingEndsAsOneLineAndTheGuardHandsBackTheSameFiles) {
    TempDir dir;
    // glTF nodes nested 200,000 deep and Collada nodes 100,000 deep take
    // the third-party reader's recursion past its stack.
    std::string gltf = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[)";
    for (int n = 1; n < 200000; n++) gltf += "{\"children\":[" + std::to_string(n) + "]},";
    gltf += "{}]}";
    WriteText(dir.File("deep.gltf"), gltf.c_str());
    std::string dae = R"(<?xml version="1.0"?><COLLADA version="1.4.1"><library_visual_scenes>)"
                      R"(<visual_scene id="s">)";
    for (int n = 0; n < 100000; n++) dae += "<node id=\"n\">";
    for (int n = 0; n < 100000; n++) dae += "</node>";
    dae +=
        "</visual_scene></library_visual_scenes><scene><instance_visual_scene url=\"#s\"/>"
        "</scene></COLLADA>";
    WriteText(dir.File("deep.dae"), dae.c_str());
    for (const char* name : {"deep.gltf", "deep.dae"}) {
        SCOPED_TRACE(name);
        std::string path = dir.File(name), reason, listing;
        ImportedFiles files;
        EXPECT_FALSE(
            ImportGuarded(path.c_str(), ImportOptions(), "o.skm", "o.skp", &files, &reason));
        // (A sanitizer build reports the overflow itself and exits instead.)
        const std::string CRASHED = path + ": the reader crashed on this file (signal 11)",
                          STOPPED = path + ": the reader stopped without a result";
        EXPECT_TRUE(reason == CRASHED || reason.rfind(STOPPED, 0) == 0) << reason;
        EXPECT_FALSE(ListSceneGuarded(path.c_str(), &listing, &reason));
        EXPECT_TRUE(reason == CRASHED || reason.rfind(STOPPED, 0) == 0) << reason;
    }

    // Through the guard a file comes back as the import makes it in-process:
    // the same images, textures, counts and warnings, and the same refusal.
    WriteText(dir.File("figure.fbx"), FIGURE_FBX);
    WriteText(dir.File("skin.png"), "\x89PNG pixels");
    WriteText(dir.File("blade.dae"), BLADE_DAE);
    for (const char* name : {"figure.fbx", "blade.dae"}) {
        std::string path = dir.File(name), reason;
        ImportedFiles direct, guarded;
        ASSERT_TRUE(ImportFiles(path.c_str(), ImportOptions(), "o.skm", "o.skp", &direct, &reason));
        ASSERT_TRUE(
            ImportGuarded(path.c_str(), ImportOptions(), "o.skm", "o.skp", &guarded, &reason))
            << reason;
        for (auto [a, b] :
             {std::make_pair(guarded.skm, direct.skm), std::make_pair(guarded.skp, direct.skp)}) {
            ASSERT_EQ(a.size, b.size);
            EXPECT_EQ(memcmp(a.data, b.data, a.size), 0);
        }
        EXPECT_EQ(guarded.warnings, direct.warnings);
        EXPECT_EQ(std::vector<int32_t>({guarded.bones, guarded.meshes, guarded.frames}),
                  std::vector<int32_t>({direct.bones, direct.meshes, direct.frames}));
        ASSERT_EQ(guarded.textures.size(), direct.textures.size());
        for (size_t t = 0; t < direct.textures.size(); t++) {
            EXPECT_EQ(guarded.textures[t].file, direct.textures[t].file);
            EXPECT_EQ(guarded.textures[t].bytes, direct.textures[t].bytes);
        }
    }
    ImportOptions walk;
    walk.anim = "walk";
    ImportedFiles refused;
    std::string reason;
    EXPECT_FALSE(
        ImportGuarded(dir.File("blade.dae").c_str(), walk, "o.skm", "o.skp", &refused, &reason));
    EXPECT_EQ(reason, dir.File("blade.dae") + ": no animation \"walk\" (it has 0 \"animation\")");
    EXPECT_EQ(refused.warnings.size(), 0u);
}

// What can become of the child, each as its one line: a signal, the time
// limit, the memory limit (address space; not under a sanitizer, which
// reserves its own), an exception, and a clean refusal.
TEST(ImportGuard, EachWayTheChildCanEndIsOneLine) {
    GuardLimits limits;
    limits.memoryMB = 256;
    limits.seconds = 1;
    auto hungry = [](const std::function<char*(size_t)>&, std::string*) {
        std::vector<std::vector<char>> blocks;
        for (int i = 0; i < 64; i++) blocks.emplace_back((size_t)16 << 20, 'x');
        return blocks.size() > 1000; // never reached within the limit
    };
    const struct {
        GuardWork work;
        const char* line;
    } CASES[] = {
        {[](const std::function<char*(size_t)>&, std::string*) { return raise(SIGABRT) == 99; },
         "in: the reader crashed on this file (signal 6)"},
        {[](const std::function<char*(size_t)>&, std::string*) { return sleep(30) == 99; },
         "in: the reader took longer than its 1 s limit on this file"},
        {hungry, "in: the reader ran out of memory on this file (limit 256 MB)"},
        {[](const std::function<char*(size_t)>&, std::string*) -> bool {
             throw std::runtime_error("odd");
         },
         "in: the reader failed: odd"},
        {[](const std::function<char*(size_t)>&, std::string* why) {
             *why = "in: no animation";
             return false;
         },
         "in: no animation"},
    };
#if defined(__SANITIZE_ADDRESS__)
    const bool SANITIZED = true;
#else
    const bool SANITIZED = false;
#endif
    for (const auto& c : CASES) {
        if (SANITIZED && c.work.target_type() == GuardWork(hungry).target_type()) continue;
        std::string reason;
        bool received = false;
        auto receive = [&](std::shared_ptr<const char>, size_t) { return received = true; };
        EXPECT_FALSE(RunGuarded("in", limits, c.work, receive, &reason));
        EXPECT_EQ(reason, c.line);
        EXPECT_FALSE(received);
    }
    // A result of either size arrives whole and in order, copied from the
    // child's memory or sent through the socket where that is forbidden.
    for (bool stream : {false, true})
        for (size_t size : {(size_t)0, (size_t)5 << 20}) {
            auto work = [size](const std::function<char*(size_t)>& reserve, std::string*) {
                char* into = reserve(size);
                for (size_t i = 0; i < size; i++) into[i] = (char)(i % 251);
                return true;
            };
            limits.streamResult = stream;
            std::string reason;
            size_t got = 1, wrong = 0;
            auto receive = [&](std::shared_ptr<const char> result, size_t n) {
                got = n;
                for (size_t i = 0; i < n; i++) wrong += result.get()[i] != (char)(i % 251);
                return true;
            };
            EXPECT_TRUE(RunGuarded("in", limits, work, receive, &reason)) << reason;
            EXPECT_EQ(got, size) << stream;
            EXPECT_EQ(wrong, 0u) << stream;
        }
}
