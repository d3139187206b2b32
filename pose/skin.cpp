// Skinning: linear blend of each vertex's weights over the posed bones. The
// bones' matrices are built once per call, their rows already in the
// renderer's axis order (on the stack for a skeleton within the bone limit),
// so the per-weight work is a handful of multiply-adds with no swizzle. On x86
// processors with AVX2 and FMA one 256-bit register carries a weight's
// position and normal side by side; the plain loop serves every other
// processor and gives the same results up to rounding. What does not follow
// the pose (texture coordinates, drawn vertices, kept triangles) is laid out
// apart, so a record kept across frames streams only the weight pool.
#include "pose/skin.h"

#include <algorithm>
#include <cmath>

#include "pose/rotation.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BONELOOM_SKIN_WIDE 1
#endif

namespace {

// A bone's model-space pose [R | p] as four columns of four floats: columns 0
// to 2 are R's columns and column 3 is p, each with its rows reordered to the
// renderer's axes (model y, z, x) and a zero fourth entry. Applied to a point
// in the bone's space it gives the point in the renderer's axes.
struct alignas(16) BoneMatrix {
    float c[16]; // column k at c[4 * k]
};

void BuildBoneMatrices(const BonePose* pose, int32_t count, BoneMatrix* out) {
    static const int ROW_OF_AXIS[3] = {1, 2, 0}; // renderer axis k takes model row ROW_OF_AXIS[k]
    for (int32_t b = 0; b < count; b++) {
        Quat q = GetPoseQuat(&pose[b]);
        Mat3 r;
        QuatToMatrix(&q, &r);
        float* c = out[b].c;
        for (int k = 0; k < 3; k++) {
            int row = ROW_OF_AXIS[k];
            c[0 + k] = r.m[3 * row + 0];
            c[4 + k] = r.m[3 * row + 1];
            c[8 + k] = r.m[3 * row + 2];
            c[12 + k] = pose[b].origin[row];
        }
        c[3] = c[7] = c[11] = c[15] = 0;
    }
}

// What both kernels need: the vertices to skin and where the results go.
struct SkinJob {
    const SkelVertex* verts;
    size_t numverts;
    const BoneMatrix* bones;
    uint32_t usable; // weights on bones from here up are skipped
    float* positions;
    float* normals;
};

void SkinVerticesPlain(const SkinJob& job) {
    for (size_t v = 0; v < job.numverts; v++) {
        const BoneWeight* weight = job.verts[v].weights;
        int32_t numweights = weight ? job.verts[v].numweights : 0;
        float px = 0, py = 0, pz = 0, nx = 0, ny = 0, nz = 0;
        for (int32_t w = 0; w < numweights; w++, weight++) {
            // Unsigned, so a negative bone number fails the same test.
            if ((uint32_t)weight->bonenum >= job.usable) continue;
            const float* c = job.bones[weight->bonenum].c;
            float s = weight->influence;
            float ox = weight->origin[0], oy = weight->origin[1], oz = weight->origin[2];
            float wx = weight->normal[0], wy = weight->normal[1], wz = weight->normal[2];
            px += s * (c[0] * ox + c[4] * oy + c[8] * oz + c[12]);
            py += s * (c[1] * ox + c[5] * oy + c[9] * oz + c[13]);
            pz += s * (c[2] * ox + c[6] * oy + c[10] * oz + c[14]);
            nx += s * (c[0] * wx + c[4] * wy + c[8] * wz);
            ny += s * (c[1] * wx + c[5] * wy + c[9] * wz);
            nz += s * (c[2] * wx + c[6] * wy + c[10] * wz);
        }
        float length2 = nx * nx + ny * ny + nz * nz;
        float length = length2 > 0 ? std::sqrt(length2) : 0.0f;
        float* p = job.positions + 3 * v;
        float* n = job.normals + 3 * v;
        p[0] = px;
        p[1] = py;
        p[2] = pz;
        n[0] = length > 0 ? nx / length : 0.0f;
        n[1] = length > 0 ? ny / length : 0.0f;
        n[2] = length > 0 ? nz / length : 0.0f;
    }
}

#ifdef BONELOOM_SKIN_WIDE
// Stores the first three lanes of value at at; when the array has room for a
// fourth float, as all but the last vertex's have, one store writes four and
// the fourth lands on the next vertex's first value, which is written later.
__attribute__((target("avx2,fma"))) inline void StoreThree(float* at, __m128 value, bool room) {
    if (room) {
        _mm_storeu_ps(at, value);
        return;
    }
    float lanes[4];
    _mm_storeu_ps(lanes, value);
    std::copy(lanes, lanes + 3, at);
}

// Lane i from lane from[i] of a, b or c: b where FROM_B has bit i, c where
// FROM_C has it, a elsewhere.
template <int FROM_B, int FROM_C>
__attribute__((target("avx2,fma"))) inline __m256 Gather3(__m256 a, __m256 b, __m256 c,
                                                          __m256i from) {
    __m256 r = _mm256_permutevar8x32_ps(a, from);
    r = _mm256_blend_ps(r, _mm256_permutevar8x32_ps(b, from), FROM_B);
    return _mm256_blend_ps(r, _mm256_permutevar8x32_ps(c, from), FROM_C);
}

// Makes count normals, stored x y z one after another, unit length (zero
// where the length is zero). Eight at a time: their 24 floats in three
// registers are sorted into x, y and z lanes to get the eight lengths, so one
// square root and one division serve eight vertices; the divider, which a
// per-vertex normalisation keeps busy, was the skinning loop's bottleneck.
__attribute__((target("avx2,fma"))) void MakeUnitLength(float* normals, size_t count) {
    // Lane i of each x, y, z register: where that component of vertex i lies
    // in the register holding floats 0-7, 8-15 or 16-23.
    const __m256i X_FROM = _mm256_setr_epi32(0, 3, 6, 1, 4, 7, 2, 5);
    const __m256i Y_FROM = _mm256_setr_epi32(1, 4, 7, 2, 5, 0, 3, 6);
    const __m256i Z_FROM = _mm256_setr_epi32(2, 5, 0, 3, 6, 1, 4, 7);
    // Which of the three registers each lane is taken from, in two blends.
    constexpr int X_B = 0x38, X_C = 0xC0, Y_B = 0x18, Y_C = 0xE0, Z_B = 0x1C, Z_C = 0xE0;
    // The vertex each float of the three registers belongs to.
    const __m256i OWNER_A = _mm256_setr_epi32(0, 0, 0, 1, 1, 1, 2, 2);
    const __m256i OWNER_B = _mm256_setr_epi32(2, 3, 3, 3, 4, 4, 4, 5);
    const __m256i OWNER_C = _mm256_setr_epi32(5, 5, 6, 6, 6, 7, 7, 7);
    size_t v = 0;
    for (; v + 8 <= count; v += 8) {
        float* at = normals + 3 * v;
        __m256 a = _mm256_loadu_ps(at), b = _mm256_loadu_ps(at + 8), c = _mm256_loadu_ps(at + 16);
        __m256 a2 = _mm256_mul_ps(a, a), b2 = _mm256_mul_ps(b, b), c2 = _mm256_mul_ps(c, c);
        __m256 length2 = _mm256_add_ps(_mm256_add_ps(Gather3<X_B, X_C>(a2, b2, c2, X_FROM),
                                                     Gather3<Y_B, Y_C>(a2, b2, c2, Y_FROM)),
                                       Gather3<Z_B, Z_C>(a2, b2, c2, Z_FROM));
        __m256 inverse = _mm256_div_ps(_mm256_set1_ps(1.0f), _mm256_sqrt_ps(length2));
        inverse = _mm256_and_ps(inverse, _mm256_cmp_ps(length2, _mm256_setzero_ps(), _CMP_GT_OQ));
        _mm256_storeu_ps(at, _mm256_mul_ps(a, _mm256_permutevar8x32_ps(inverse, OWNER_A)));
        _mm256_storeu_ps(at + 8, _mm256_mul_ps(b, _mm256_permutevar8x32_ps(inverse, OWNER_B)));
        _mm256_storeu_ps(at + 16, _mm256_mul_ps(c, _mm256_permutevar8x32_ps(inverse, OWNER_C)));
    }
    for (; v < count; v++) {
        float* n = normals + 3 * v;
        float length2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
        float inverse = length2 > 0 ? 1.0f / std::sqrt(length2) : 0.0f;
        n[0] *= inverse;
        n[1] *= inverse;
        n[2] *= inverse;
    }
}

// sum plus influence * (bone matrix * weight) for one weight, with the
// weight's 32-byte record loaded whole: an in-lane broadcast of its x, y and
// z gives (origin component x4 | normal component x4), so one multiply-add
// per matrix column moves both position and normal. The translation column
// only fills the lower (position) half.
__attribute__((target("avx2,fma"))) inline __m256 AddWeight(__m256 sum, const BoneWeight* weight,
                                                            const BoneMatrix* bones,
                                                            uint32_t usable) {
    // Unsigned, so a negative bone number fails the same test.
    if ((uint32_t)weight->bonenum >= usable) return sum;
    const float* c = bones[weight->bonenum].c;
    __m256 record = _mm256_loadu_ps(weight->origin); // ox oy oz s | nx ny nz bone
    __m256 placed = _mm256_zextps128_ps256(_mm_load_ps(c + 12));
    placed = _mm256_fmadd_ps(_mm256_broadcast_ps((const __m128*)(c + 0)),
                             _mm256_permute_ps(record, 0x00), placed);
    placed = _mm256_fmadd_ps(_mm256_broadcast_ps((const __m128*)(c + 4)),
                             _mm256_permute_ps(record, 0x55), placed);
    placed = _mm256_fmadd_ps(_mm256_broadcast_ps((const __m128*)(c + 8)),
                             _mm256_permute_ps(record, 0xAA), placed);
    return _mm256_fmadd_ps(_mm256_broadcast_ss(&weight->influence), placed, sum);
}

// The sums over a vertex's weights in their stored order, unrolled for the
// common counts: the loop is bound by how many instructions the processor can
// issue, and a loop per vertex costs as many as a weight.
__attribute__((target("avx2,fma"))) inline __m256 SumWeights(const BoneWeight* weight,
                                                             int32_t numweights,
                                                             const BoneMatrix* bones,
                                                             uint32_t usable) {
    __m256 sum = _mm256_setzero_ps();
    switch (numweights) {
        case 4:
            sum = AddWeight(sum, weight + (numweights - 4), bones, usable);
            [[fallthrough]];
        case 3:
            sum = AddWeight(sum, weight + (numweights - 3), bones, usable);
            [[fallthrough]];
        case 2:
            sum = AddWeight(sum, weight + (numweights - 2), bones, usable);
            [[fallthrough]];
        case 1:
            return AddWeight(sum, weight + (numweights - 1), bones, usable);
        default:
            for (int32_t w = 0; w < numweights; w++)
                sum = AddWeight(sum, weight + w, bones, usable);
            return sum;
    }
}

// Positions and raw normal sums a vertex at a time, then the normals made
// unit length a block at a time while the block is still in the nearest
// cache; the pool is fetched ahead of the loop.
__attribute__((target("avx2,fma"))) void SkinVerticesWide(const SkinJob& job) {
    static_assert(sizeof(BoneWeight) == 32, "a weight record fills one 256-bit register");
    constexpr int FETCH_AHEAD = 4096; // bytes of the weight pool, about 60 vertices
    constexpr size_t BLOCK = 64;      // vertices whose normals are made unit length together
    // Locals, so the stores below cannot make the compiler read them again.
    const SkelVertex* verts = job.verts;
    const BoneMatrix* bones = job.bones;
    const uint32_t usable = job.usable;
    const size_t numverts = job.numverts;
    float* positions = job.positions;
    float* normals = job.normals;
    for (size_t start = 0; start < numverts; start += BLOCK) {
        size_t end = std::min(numverts, start + BLOCK);
        for (size_t v = start; v < end; v++) {
            const BoneWeight* weight = verts[v].weights;
            int32_t numweights = weight ? verts[v].numweights : 0;
            // Integer arithmetic: the address may lie past the pool, which is
            // harmless for a prefetch but not for a pointer.
            _mm_prefetch((const char*)((uintptr_t)weight + FETCH_AHEAD), _MM_HINT_T0);
            __m256 sum = SumWeights(weight, numweights, bones, usable);
            bool room = v + 1 < numverts;
            StoreThree(positions + 3 * v, _mm256_castps256_ps128(sum), room);
            StoreThree(normals + 3 * v, _mm256_extractf128_ps(sum, 1), room);
        }
        MakeUnitLength(normals + 3 * start, end - start);
    }
}

bool HasWideUnits() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }
#endif

bool CountsMatch(const SkelMesh& mesh) {
    return mesh.numverts >= 0 && (size_t)mesh.numverts <= mesh.verts.size() && mesh.numtris >= 0 &&
           (size_t)mesh.numtris * 3 <= mesh.indices.size();
}

void Clear(SkinnedMesh* out) {
    out->positions.clear();
    out->normals.clear();
    out->texcoords.clear();
    out->drawn.clear();
    out->indices.clear();
    out->colours.clear();
    out->laid_out_from = nullptr;
    out->laid_out_verts = out->laid_out_tris = out->laid_out_bones = -1;
    out->laid_out_colour_bone = -1;
}

} // namespace

bool SkinMesh(const SkelModel* model, int32_t mesh, const BonePose* pose, int32_t count,
              SkinnedMesh* out) {
    return LayOutSkinnedMesh(model, mesh, pose ? count : 0, out) &&
           PoseSkinnedMesh(model, mesh, pose, count, out);
}

namespace {

// The mesh to skin, or null (with out emptied) when there is none to skin.
const SkelMesh* MeshToSkin(const SkelModel* model, int32_t mesh, SkinnedMesh* out) {
    if (!out) return nullptr;
    if (!model || mesh < 0 || mesh >= model->nummeshes || (size_t)mesh >= model->meshes.size() ||
        !CountsMatch(model->meshes[mesh])) {
        Clear(out);
        return nullptr;
    }
    return &model->meshes[mesh];
}

// Bones that both the skeleton and the pose array hold; a weight on any other
// bone has nothing to follow.
int32_t PosedBoneCount(const SkelModel* model, const BonePose* pose, int32_t count) {
    return std::max(0, std::min(model->numbones, pose ? count : 0));
}

bool LaidOutFor(const SkinnedMesh& out, const SkelMesh& src, int32_t usable) {
    return out.laid_out_from == (const void*)&src && out.laid_out_verts == src.numverts &&
           out.laid_out_tris == src.numtris && out.laid_out_bones == usable &&
           out.laid_out_colour_bone == out.colour_bone &&
           out.positions.size() == 3 * (size_t)src.numverts &&
           out.normals.size() == out.positions.size();
}

} // namespace

bool LayOutSkinnedMesh(const SkelModel* model, int32_t mesh, int32_t count, SkinnedMesh* out) {
    const SkelMesh* found = MeshToSkin(model, mesh, out);
    if (!found) return false;
    const SkelMesh& src = *found;
    // A null pose array poses no bone; the layout must agree with that.
    uint32_t usable = (uint32_t)std::max(0, std::min(model->numbones, count));
    size_t numverts = (size_t)src.numverts;
    out->positions.resize(3 * numverts);
    out->normals.resize(3 * numverts);
    out->texcoords.resize(2 * numverts);
    out->drawn.resize(numverts);
    uint8_t* drawn = out->drawn.data();
    for (size_t v = 0; v < numverts; v++) {
        const SkelVertex& vert = src.verts[v];
        uint8_t used = 0;
        for (int32_t w = 0; vert.weights && w < vert.numweights; w++)
            used |= (uint32_t)vert.weights[w].bonenum < usable ? 1 : 0;
        drawn[v] = used;
    }
    // The heat map, from the same vertices while they are at hand.
    bool colouring = out->colour_bone >= 0;
    out->colours.resize(colouring ? 4 * numverts : 0);
    for (size_t v = 0; colouring && v < numverts; v++) {
        float rgb[3];
        WeightColour(&src.verts[v], out->colour_bone, (int32_t)usable, rgb);
        uint8_t* rgba = &out->colours[4 * v];
        for (int c = 0; c < 3; c++) rgba[c] = (uint8_t)std::lround(rgb[c] * 255.0f);
        rgba[3] = 255;
    }

    size_t stored = std::min(src.texcoords.size(), 2 * numverts);
    std::copy(src.texcoords.begin(), src.texcoords.begin() + stored, out->texcoords.begin());
    std::fill(out->texcoords.begin() + stored, out->texcoords.end(), 0.0f);

    // Written in place and cut to what was kept: no per-triangle growth check.
    out->indices.resize(3 * (size_t)src.numtris);
    uint32_t* kept = out->indices.data();
    for (int32_t t = 0; t < src.numtris; t++) {
        const int32_t* tri = &src.indices[3 * (size_t)t];
        uint32_t a = (uint32_t)tri[0], b = (uint32_t)tri[1], c = (uint32_t)tri[2];
        if (a >= numverts || b >= numverts || c >= numverts) continue;
        kept[0] = a;
        kept[1] = b;
        kept[2] = c;
        kept += (drawn[a] & drawn[b] & drawn[c]) ? 3 : 0;
    }
    out->indices.resize((size_t)(kept - out->indices.data()));
    out->laid_out_from = &src;
    out->laid_out_verts = src.numverts;
    out->laid_out_tris = src.numtris;
    out->laid_out_bones = (int32_t)usable;
    out->laid_out_colour_bone = out->colour_bone;
    return true;
}

const float NO_WEIGHT_RGB[3] = {1.0f, 0.0f, 1.0f};

void InfluenceColour(float influence, float* rgb) {
    // Dark blue, green, yellow, red at 0, 1/3, 2/3 and 1.
    static const float STOPS[4][3] = {{0, 0, 0.5f}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    if (std::isnan(influence)) {
        std::copy(NO_WEIGHT_RGB, NO_WEIGHT_RGB + 3, rgb);
        return;
    }
    float t = std::min(1.0f, std::max(0.0f, influence)) * 3.0f;
    int stop = std::min(2, (int)t);
    float f = t - (float)stop;
    for (int c = 0; c < 3; c++) rgb[c] = STOPS[stop][c] + (STOPS[stop + 1][c] - STOPS[stop][c]) * f;
}

bool BoneInfluence(const SkelVertex* vertex, int32_t bone, int32_t usable, float* influence) {
    float sum = 0.0f;
    bool any = false;
    for (int32_t w = 0; vertex->weights && w < vertex->numweights; w++) {
        const BoneWeight& weight = vertex->weights[w];
        if (weight.bonenum < 0 || weight.bonenum >= usable || !std::isfinite(weight.influence))
            continue;
        any = any || weight.influence > 0.0f;
        if (weight.bonenum == bone) sum += weight.influence;
    }
    *influence = any ? sum : 0.0f;
    return any;
}

void WeightColour(const SkelVertex* vertex, int32_t bone, int32_t usable, float* rgb) {
    float influence = 0.0f;
    if (BoneInfluence(vertex, bone, usable, &influence))
        InfluenceColour(influence, rgb);
    else
        std::copy(NO_WEIGHT_RGB, NO_WEIGHT_RGB + 3, rgb);
}

bool PoseSkinnedMesh(const SkelModel* model, int32_t mesh, const BonePose* pose, int32_t count,
                     SkinnedMesh* out) {
    return PoseSkinnedMeshWith(SKIN_FASTEST, model, mesh, pose, count, out);
}

bool PoseSkinnedMeshWith(SkinKernel kernel, const SkelModel* model, int32_t mesh,
                         const BonePose* pose, int32_t count, SkinnedMesh* out) {
    const SkelMesh* found = MeshToSkin(model, mesh, out);
    if (!found) return false;
    const SkelMesh& src = *found;
    int32_t usable = PosedBoneCount(model, pose, count);
    if (!LaidOutFor(*out, src, usable) && !LayOutSkinnedMesh(model, mesh, usable, out))
        return false;
    BoneMatrix within[MAX_BONES];
    std::vector<BoneMatrix> beyond; // a skeleton past the limit, which the readers let through
    if (usable > MAX_BONES) beyond.resize((size_t)usable);
    BoneMatrix* bones = usable > MAX_BONES ? beyond.data() : within;
    BuildBoneMatrices(pose, usable, bones);

    SkinJob job;
    job.verts = src.verts.data();
    job.numverts = (size_t)src.numverts;
    job.bones = bones;
    job.usable = (uint32_t)usable;
    job.positions = out->positions.data();
    job.normals = out->normals.data();
#ifdef BONELOOM_SKIN_WIDE
    if (kernel == SKIN_FASTEST && HasWideUnits())
        SkinVerticesWide(job);
    else
        SkinVerticesPlain(job);
#else
    (void)kernel;
    SkinVerticesPlain(job);
#endif
    return true;
}

namespace {

bool SkinEveryMesh(const SkelModel* model, const BonePose* pose, int32_t count,
                   std::vector<SkinnedMesh>* out, bool lay_out) {
    if (!model || !out) return false;
    int32_t nummeshes = UsableMeshes(model);
    out->resize((size_t)nummeshes);
    bool all = nummeshes == model->nummeshes;
    for (int32_t m = 0; m < nummeshes; m++) {
        SkinnedMesh* mesh = &(*out)[m];
        bool ok = lay_out ? SkinMesh(model, m, pose, count, mesh)
                          : PoseSkinnedMesh(model, m, pose, count, mesh);
        all = ok && all;
    }
    return all;
}

} // namespace

bool SkinModel(const SkelModel* model, const BonePose* pose, int32_t count,
               std::vector<SkinnedMesh>* out) {
    return SkinEveryMesh(model, pose, count, out, true);
}

bool PoseSkinnedModel(const SkelModel* model, const BonePose* pose, int32_t count,
                      std::vector<SkinnedMesh>* out) {
    return SkinEveryMesh(model, pose, count, out, false);
}
