// The byte layout of SKM and SKP files, shared by the readers and the
// exporters: every fixed-size record as a plain struct with the file's field
// names, read and written through small bounds-checked little-endian cursors,
// so each record's field order is spelled out once, here. Also the text
// formatting both use for their console lines and reasons.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/model.h"

constexpr char SKM_IDENT[4] = {'S', 'K', 'M', '1'}; // both files start with it
constexpr int32_t SKM_TYPE = 2;                     // format type of both files

// Record sizes in bytes.
constexpr size_t SKM_HEADER_SIZE = 24;   // the ident and SkmHeader
constexpr size_t SKP_HEADER_SIZE = 28;   // the ident and SkpHeader
constexpr size_t MESH_HEADER_SIZE = 156; // MeshHeader
constexpr size_t WEIGHT_SIZE = 32;       // BoneWeight
constexpr size_t BONE_RECORD_SIZE = 72;  // SkelBone: name, parent, flags
constexpr size_t FRAME_HEADER_SIZE = 68; // FrameHeader
constexpr size_t POSE_SIZE = 28;         // BonePose
constexpr size_t VERTEX_COUNT_SIZE = 4;  // numweights before each vertex's weights
constexpr size_t TEXCOORD_SIZE = 8;      // s, t of one vertex
constexpr size_t TRIANGLE_SIZE = 12;     // three vertex indices
constexpr size_t REFERENCE_SIZE = 4;     // one bone number

// The SKM file header: "SKM1", then these fields.
struct SkmHeader {
    int32_t type, filesize, numbones, nummeshes, ofsmeshes;
};
// The SKP file header: "SKM1", then these fields.
struct SkpHeader {
    int32_t type, filesize, numbones, numframes, ofsbones, ofsframes;
};
// One mesh's header in the SKM file's header table.
struct MeshHeader {
    char skinname[NAME_LEN];
    char meshname[NAME_LEN];
    int32_t numverts, numtris, numreferences;
    int32_t ofsverts, ofstexcoords, ofsindices, ofsreferences;
};
// One frame's header in the SKP file's frame table.
struct FrameHeader {
    char name[NAME_LEN];
    int32_t ofsposes;
};

// Reads from size bytes at data. A read that does not fit yields zero bytes
// and sets overrun; pos never passes size.
struct ByteReader {
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    bool overrun = false;
};

// Writes into size bytes at data; the exporters' output primitives. A write
// that does not fit is dropped and sets overrun; pos still advances by what
// the write would take, so a seek back can patch a record.
struct ByteWriter {
    unsigned char* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    bool overrun = false;
};

inline ByteReader MakeReader(const unsigned char* data, size_t size) {
    ByteReader in;
    in.data = data;
    in.size = data ? size : 0;
    return in;
}

inline ByteWriter MakeWriter(unsigned char* data, size_t size) {
    ByteWriter out;
    out.data = data;
    out.size = data ? size : 0;
    return out;
}

// The next length bytes of the reader, or null (overrun set, the reader moved
// to its end) when they do not fit.
inline const unsigned char* TakeBytes(ByteReader* in, size_t length) {
    if (in->pos > in->size || length > in->size - in->pos) {
        in->overrun = true;
        in->pos = in->size;
        return nullptr;
    }
    const unsigned char* at = in->data + in->pos;
    in->pos += length;
    return at;
}

// Where the next length bytes go, or null (overrun set) when they do not fit;
// the position advances either way.
inline unsigned char* TakeRoom(ByteWriter* out, size_t length) {
    unsigned char* at = nullptr;
    if (out->pos <= out->size && length <= out->size - out->pos)
        at = out->data + out->pos;
    else
        out->overrun = true;
    out->pos += length;
    return at;
}

inline uint32_t LoadWord(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline void StoreWord(unsigned char* p, uint32_t value) {
    p[0] = (unsigned char)value;
    p[1] = (unsigned char)(value >> 8);
    p[2] = (unsigned char)(value >> 16);
    p[3] = (unsigned char)(value >> 24);
}

inline float LoadFloat(const unsigned char* p) {
    uint32_t bits = LoadWord(p);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

// PutFloat's rule on the bits: zero of either sign and NaN become 0. Magnitude
// 0 wraps to the top when 1 is taken off and NaN lies above infinity, so one
// compare finds both.
inline uint32_t ExportBits(float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return (bits & 0x7fffffffu) - 1u >= 0x7f800000u ? 0u : bits;
}

// 4 bytes, least significant first; 0 past the end.
inline uint32_t GetWord(ByteReader* in) {
    const unsigned char* at = TakeBytes(in, 4);
    return at ? LoadWord(at) : 0;
}
inline int32_t GetInt(ByteReader* in) { return (int32_t)GetWord(in); }
void GetBytes(ByteReader* in, void* out, size_t length);

// 4 bytes, least significant first.
inline void PutWord(ByteWriter* out, uint32_t value) {
    if (unsigned char* at = TakeRoom(out, 4)) StoreWord(at, value);
}
inline void PutInt(ByteWriter* out, int32_t value) { PutWord(out, (uint32_t)value); }
// Its bit pattern; zero of either sign and NaN are written as the integer 0,
// so neither a negative zero nor a NaN payload reaches a file.
inline void PutFloat(ByteWriter* out, float value) { PutWord(out, ExportBits(value)); }
// Exactly length bytes: text up to its NUL or length characters, whichever is
// first, then NULs. A text of length characters or more gets no terminator.
void PutName(ByteWriter* out, const char* text, size_t length);

// The records, in file order. A name is read as its raw 64 bytes.
void GetSkmHeader(ByteReader* in, SkmHeader* header);
void PutSkmHeader(ByteWriter* out, const SkmHeader* header);
void GetSkpHeader(ByteReader* in, SkpHeader* header);
void PutSkpHeader(ByteWriter* out, const SkpHeader* header);
void GetMeshHeader(ByteReader* in, MeshHeader* header);
void PutMeshHeader(ByteWriter* out, const MeshHeader* header);
void GetBoneRecord(ByteReader* in, SkelBone* bone);
void PutBoneRecord(ByteWriter* out, const SkelBone* bone);
void GetFrameHeader(ByteReader* in, FrameHeader* header);
void PutFrameHeader(ByteWriter* out, const FrameHeader* header);

// Poses and weights are the bulk of a file: one room check per record.
inline void PutPose(ByteWriter* out, const BonePose* pose) {
    unsigned char* at = TakeRoom(out, POSE_SIZE);
    if (!at) return;
    for (int k = 0; k < 4; k++) StoreWord(at + 4 * k, ExportBits(pose->quat[k]));
    for (int k = 0; k < 3; k++) StoreWord(at + 16 + 4 * k, ExportBits(pose->origin[k]));
}
inline void GetWeight(ByteReader* in, BoneWeight* weight) {
    const unsigned char* at = TakeBytes(in, WEIGHT_SIZE);
    if (!at) {
        *weight = BoneWeight{};
        return;
    }
    for (int k = 0; k < 3; k++) weight->origin[k] = LoadFloat(at + 4 * k);
    weight->influence = LoadFloat(at + 12);
    for (int k = 0; k < 3; k++) weight->normal[k] = LoadFloat(at + 16 + 4 * k);
    weight->bonenum = (int32_t)LoadWord(at + 28);
}
inline void PutWeight(ByteWriter* out, const BoneWeight* weight) {
    unsigned char* at = TakeRoom(out, WEIGHT_SIZE);
    if (!at) return;
    for (int k = 0; k < 3; k++) StoreWord(at + 4 * k, ExportBits(weight->origin[k]));
    StoreWord(at + 12, ExportBits(weight->influence));
    for (int k = 0; k < 3; k++) StoreWord(at + 16 + 4 * k, ExportBits(weight->normal[k]));
    StoreWord(at + 28, (uint32_t)weight->bonenum);
}

// printf into a string of any length.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
