// What each format says beyond the scene assimp builds: FBX's unit and axes
// (left in the scene's metadata, not applied), Collada's unit and up axis
// (applied by assimp to the root node, read here to say so) and which nodes
// each format marks as the joints of a skeleton.
#include <cmath>
#include <cstring>
#include <string>

#include "model/format.h"
#include "tools/import/scene.h"

namespace {

bool MetaNumber(const aiMetadata* meta, const char* key, double* value) {
    for (unsigned i = 0; meta && i < meta->mNumProperties; i++) {
        if (strcmp(meta->mKeys[i].C_Str(), key) != 0 || !meta->mValues[i].mData) continue;
        const void* data = meta->mValues[i].mData;
        switch (meta->mValues[i].mType) {
            case AI_BOOL:
                return *value = *(const bool*)data, true;
            case AI_INT32:
                return *value = *(const int32_t*)data, true;
            case AI_UINT64:
                return *value = (double)*(const uint64_t*)data, true;
            case AI_FLOAT:
                return *value = *(const float*)data, true;
            case AI_DOUBLE:
                return *value = *(const double*)data, true;
            default:
                return false;
        }
    }
    return false;
}

std::string MetaText(const aiMetadata* meta, const char* key) {
    for (unsigned i = 0; meta && i < meta->mNumProperties; i++)
        if (strcmp(meta->mKeys[i].C_Str(), key) == 0 && meta->mValues[i].mType == AI_AISTRING &&
            meta->mValues[i].mData)
            return ((const aiString*)meta->mValues[i].mData)->C_Str();
    return "";
}

// The value of attribute name in an XML start tag, "" when absent.
std::string Attribute(const std::string& tag, const char* name) {
    std::string key = std::string(name) + "=";
    for (size_t at = tag.find(key); at != std::string::npos; at = tag.find(key, at + 1)) {
        if (at == 0 || !isspace((unsigned char)tag[at - 1])) continue;
        size_t open = at + key.size();
        if (open >= tag.size() || (tag[open] != '"' && tag[open] != '\'')) continue;
        size_t close = tag.find(tag[open], open + 1);
        if (close == std::string::npos) return "";
        return tag.substr(open + 1, close - open - 1);
    }
    return "";
}

// The start tag beginning at text[at] ("<node ...>"), "" when it is cut off.
std::string StartTag(const std::string& text, size_t at) {
    size_t end = text.find('>', at);
    return end == std::string::npos ? "" : text.substr(at, end - at);
}

const char* AXIS_NAMES[3] = {"X", "Y", "Z"};

std::string SignedAxis(int axis, double sign) {
    return std::string(sign < 0 ? "-" : "+") + AXIS_NAMES[axis];
}

std::string Number(double value) { return FormatText("%.6g", value); }

} // namespace

// Collada: JOINT nodes by id (by name when they have none), and the asset's
// unit and up axis, which assimp has already put on the root node.
void ReadColladaConventions(const std::string& text, SceneFile* file) {
    for (size_t at = text.find("<node"); at != std::string::npos; at = text.find("<node", at + 5)) {
        char next = at + 5 < text.size() ? text[at + 5] : '\0';
        if (!isspace((unsigned char)next) && next != '>' && next != '/') continue;
        std::string tag = StartTag(text, at);
        if (Attribute(tag, "type") != "JOINT") continue;
        std::string id = Attribute(tag, "id");
        file->jointKeys.insert(id.empty() ? "name:" + Attribute(tag, "name") : id);
        file->knowsJoints = true;
    }
    std::string unit = "<unit", up = "<up_axis>";
    size_t unitAt = text.find(unit), upAt = text.find(up);
    double meter = 1;
    std::string unitName = "meter";
    if (unitAt != std::string::npos) {
        std::string tag = StartTag(text, unitAt);
        std::string value = Attribute(tag, "meter");
        if (!value.empty()) meter = atof(value.c_str());
        if (!Attribute(tag, "name").empty()) unitName = Attribute(tag, "name");
    }
    std::string axis = "Y_UP";
    if (upAt != std::string::npos) {
        size_t from = upAt + up.size(), to = text.find('<', from);
        if (to != std::string::npos) axis = text.substr(from, to - from);
        while (!axis.empty() && isspace((unsigned char)axis.back())) axis.pop_back();
        while (!axis.empty() && isspace((unsigned char)axis[0])) axis.erase(0, 1);
    }
    file->unitText = "unit: " + unitName + ", " + Number(meter) +
                     " m (Collada <unit meter>); sizes taken to metres" +
                     (meter == 1 ? " as they are" : " (x " + Number(meter) + ")");
    file->axesText = "up axis: " + axis + " (Collada <up_axis>); " +
                     (axis == "Y_UP" ? "as glTF's" : "turned to glTF's +Y up") +
                     ", then upright as glTF files are";
}

// FBX: UnitScaleFactor is centimetres per file unit; UpAxis, FrontAxis and
// CoordAxis (with their signs) name the file's up, front and right. Returns
// the transform from file space to glTF's (metres, +Y up, +Z front, +X
// right) and its rotation.
void ReadFbxConventions(SceneFile* file, Affine* toGltf, Quatd* rotation) {
    const aiMetadata* meta = file->scene->mMetaData;
    double unit = 1;
    bool stated = MetaNumber(meta, "UnitScaleFactor", &unit);
    if (!(unit > 0) || !std::isfinite(unit)) {
        file->notes.push_back("UnitScaleFactor " + Number(unit) +
                              " is not a size; taken as 1 (centimetres)");
        unit = 1;
    }
    double value[6] = {1, 1, 2, 1, 0, 1}; // up, sign, front, sign, coord, sign: glTF's own
    const char* keys[6] = {"UpAxis",        "UpAxisSign", "FrontAxis",
                           "FrontAxisSign", "CoordAxis",  "CoordAxisSign"};
    for (int k = 0; k < 6; k++) MetaNumber(meta, keys[k], &value[k]);
    int up = (int)value[0], front = (int)value[2], coord = (int)value[4];
    bool valid = up >= 0 && up < 3 && front >= 0 && front < 3 && coord >= 0 && coord < 3 &&
                 up != front && up != coord && front != coord;
    if (!valid) {
        file->notes.push_back(
            FormatText("the FBX axes (up %g, front %g, right %g) are not three "
                       "different axes; taken as glTF's (+Y up, +Z front)",
                       value[0], value[2], value[4]));
        up = 1, front = 2, coord = 0, value[1] = value[3] = value[5] = 1;
    }
    double sign[3] = {value[1] < 0 ? -1.0 : 1.0, value[3] < 0 ? -1.0 : 1.0,
                      value[5] < 0 ? -1.0 : 1.0};
    // Column a of the turn is where file axis a goes in glTF's space.
    double turn[3][3] = {};
    turn[1][up] = sign[0];
    turn[2][front] = sign[1];
    turn[0][coord] = sign[2];
    double det = turn[0][0] * (turn[1][1] * turn[2][2] - turn[1][2] * turn[2][1]) -
                 turn[0][1] * (turn[1][0] * turn[2][2] - turn[1][2] * turn[2][0]) +
                 turn[0][2] * (turn[1][0] * turn[2][1] - turn[1][1] * turn[2][0]);
    if (det < 0) {
        // A mirror would turn every face inside out; right is up x front.
        file->notes.push_back("the FBX axes are left-handed (right " + SignedAxis(coord, sign[2]) +
                              "); right taken as " + SignedAxis(coord, -sign[2]) +
                              " so the model is not mirrored");
        sign[2] = -sign[2];
        turn[0][coord] = sign[2];
    }
    *rotation = QuatFromRotation(turn);
    double metres = unit / 100;
    *toGltf = RotationAffine(*rotation);
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) toGltf->m[r][c] *= metres;
    bool turned = !(up == 1 && front == 2 && coord == 0 && sign[0] > 0 && sign[1] > 0);
    file->unitText = "unit: " + Number(unit) + " cm (FBX UnitScaleFactor" +
                     (stated ? "" : ", not stated") + "); sizes taken to metres" +
                     (metres == 1 ? " as they are" : " (x " + Number(metres) + ")");
    file->axesText = "up axis: " + SignedAxis(up, sign[0]) + ", front " +
                     SignedAxis(front, sign[1]) + ", right " + SignedAxis(coord, sign[2]) +
                     " (FBX axes); " + (turned ? "turned to glTF's +Y up, +Z front" : "as glTF's") +
                     ", then upright as glTF files are";
}

void DescribeOtherConventions(SceneFile* file) {
    if (file->format == SCENE_GLTF) {
        file->unitText = "unit: metres (glTF); sizes as they are";
        file->axesText = "up axis: +Y (glTF); turned upright as `gltf` turns models out";
    } else {
        file->unitText = "unit: not stated by the file; taken as metres";
        file->axesText = "up axis: not stated by the file; taken as +Y, as glTF's";
    }
}

SceneFormat FormatOfScene(const aiScene* scene, bool gltf) {
    if (gltf) return SCENE_GLTF;
    std::string format = MetaText(scene->mMetaData, "SourceAsset_Format");
    if (format.find("FBX") != std::string::npos) return SCENE_FBX;
    if (format.find("Collada") != std::string::npos) return SCENE_COLLADA;
    return SCENE_OTHER;
}

// Which of the flattened nodes the file marks as joints, and FBX's pivot
// helpers ("Bone_$AssimpFbx$_Rotation" and the like above "Bone").
void MarkJoints(SceneFile* file) {
    size_t count = file->nodes.size();
    file->joint.assign(count, false);
    file->helper.assign(count, false);
    bool fbxMarks = false;
    for (size_t n = 1; n < count; n++) {
        const aiNode* node = file->nodes[n];
        std::string name = node->mName.C_Str();
        file->helper[n] = name.find("$AssimpFbx$") != std::string::npos;
        if (file->helper[n]) continue;
        double isNull = 0;
        switch (file->format) {
            case SCENE_FBX:
                // Limb nodes (and other non-null objects) carry IsNull false;
                // a mesh's node is a mesh, not a joint.
                if (MetaNumber(node->mMetaData, "IsNull", &isNull)) {
                    fbxMarks = true;
                    file->joint[n] = isNull == 0 && node->mNumMeshes == 0;
                }
                break;
            case SCENE_COLLADA: {
                std::string id = MetaText(node->mMetaData, "Collada_id");
                file->joint[n] = file->jointKeys.count(id.empty() ? "name:" + name : id) > 0;
                break;
            }
            case SCENE_GLTF:
                file->joint[n] = file->jointKeys.count(name) > 0;
                break;
            case SCENE_OTHER:
                break;
        }
    }
    if (file->format == SCENE_FBX) file->knowsJoints = fbxMarks;
}
