// Skinning: linear blend of each vertex's weights over the posed bones. The
// bones' matrices are built once per call, their rows already in the
// renderer's axis order (on the stack for a skeleton within the bone limit),
// so the per-weight work is a handful of multiply-adds with no swizzle. On x86 processors with AVX2
// and FMA one 256-bit register carries a weight's position and normal side by side; the plain loop
// serves every other processor and gives the same results up to rounding.
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
    uint8_t* drawn;
};

void SkinVerticesPlain(const SkinJob& job) {
    for (size_t v = 0; v < job.numverts; v++) {
        const BoneWeight* weight = job.verts[v].weights;
        int32_t numweights = weight ? job.verts[v].numweights : 0;
        float px = 0, py = 0, pz = 0, nx = 0, ny = 0, nz = 0;
        bool used = false;
        for (int32_t w = 0; w < numweights; w++, weight++) {
            // Unsigned, so a negative bone number fails the same test.
            if ((uint32_t)weight->bonenum >= job.usable) continue;
            used = true;
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
        job.drawn[v] = used ? 1 : 0;
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

// value / |value| over its first three lanes, 0 where that length is 0.
__attribute__((target("avx2,fma"))) inline __m128 UnitOrZero(__m128 value) {
    __m128 length2 = _mm_dp_ps(value, value, 0x7F);
    __m128 unit = _mm_div_ps(value, _mm_sqrt_ps(length2));
    return _mm_and_ps(unit, _mm_cmpgt_ps(length2, _mm_setzero_ps()));
}

// The same sums with a weight's 32-byte record loaded whole: an in-lane
// broadcast of its x, y and z gives (origin component x4 | normal component
// x4), so one multiply-add per matrix column moves both position and normal.
// The translation column only fills the lower (position) half. The loop is
// bound by how many vertices the processor keeps in flight, so the pool is
// fetched ahead and each normal is made unit length one vertex later, off the
// path from a vertex's loads to its stores.
__attribute__((target("avx2,fma"))) void SkinVerticesWide(const SkinJob& job) {
    static_assert(sizeof(BoneWeight) == 32, "a weight record fills one 256-bit register");
    constexpr int FETCH_AHEAD = 2048; // bytes of the weight pool, about 30 vertices
    // Locals, so the stores below cannot make the compiler read them again.
    const SkelVertex* verts = job.verts;
    const BoneMatrix* bones = job.bones;
    const uint32_t usable = job.usable;
    const size_t numverts = job.numverts;
    float* positions = job.positions;
    float* normals = job.normals;
    uint8_t* drawn = job.drawn;
    __m128 pending = _mm_setzero_ps(); // the previous vertex's normal, not yet unit length
    for (size_t v = 0; v < numverts; v++) {
        const BoneWeight* weight = verts[v].weights;
        int32_t numweights = weight ? verts[v].numweights : 0;
        // Integer arithmetic: the address may lie past the pool, which is
        // harmless for a prefetch but not for a pointer.
        _mm_prefetch((const char*)((uintptr_t)weight + FETCH_AHEAD), _MM_HINT_T0);
        __m256 sum = _mm256_setzero_ps();
        bool used = false;
        for (int32_t w = 0; w < numweights; w++, weight++) {
            if ((uint32_t)weight->bonenum >= usable) continue;
            used = true;
            const float* c = bones[weight->bonenum].c;
            __m256 record = _mm256_loadu_ps(weight->origin); // ox oy oz s | nx ny nz bone
            __m256 placed = _mm256_zextps128_ps256(_mm_load_ps(c + 12));
            placed = _mm256_fmadd_ps(_mm256_broadcast_ps((const __m128*)(c + 0)),
                                     _mm256_permute_ps(record, 0x00), placed);
            placed = _mm256_fmadd_ps(_mm256_broadcast_ps((const __m128*)(c + 4)),
                                     _mm256_permute_ps(record, 0x55), placed);
            placed = _mm256_fmadd_ps(_mm256_broadcast_ps((const __m128*)(c + 8)),
                                     _mm256_permute_ps(record, 0xAA), placed);
            sum = _mm256_fmadd_ps(_mm256_broadcast_ss(&weight->influence), placed, sum);
        }
        if (v > 0) _mm_storeu_ps(normals + 3 * (v - 1), UnitOrZero(pending));
        StoreThree(positions + 3 * v, _mm256_castps256_ps128(sum), v + 1 < numverts);
        pending = _mm256_extractf128_ps(sum, 1);
        drawn[v] = used ? 1 : 0;
    }
    if (numverts > 0) StoreThree(normals + 3 * (numverts - 1), UnitOrZero(pending), false);
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
}

} // namespace

bool SkinMesh(const SkelModel* model, int32_t mesh, const BonePose* pose, int32_t count,
              SkinnedMesh* out) {
    return SkinMeshWith(SKIN_FASTEST, model, mesh, pose, count, out);
}

bool SkinMeshWith(SkinKernel kernel, const SkelModel* model, int32_t mesh, const BonePose* pose,
                  int32_t count, SkinnedMesh* out) {
    if (!out) return false;
    if (!model || mesh < 0 || mesh >= model->nummeshes || (size_t)mesh >= model->meshes.size() ||
        !CountsMatch(model->meshes[mesh])) {
        Clear(out);
        return false;
    }
    const SkelMesh& src = model->meshes[mesh];
    // Bones that both the skeleton and the pose array hold; a weight on any
    // other bone has nothing to follow.
    int32_t usable = std::max(0, std::min(model->numbones, pose ? count : 0));
    BoneMatrix within[MAX_BONES];
    std::vector<BoneMatrix> beyond; // a skeleton past the limit, which the readers let through
    if (usable > MAX_BONES) beyond.resize((size_t)usable);
    BoneMatrix* bones = usable > MAX_BONES ? beyond.data() : within;
    BuildBoneMatrices(pose, usable, bones);

    size_t numverts = (size_t)src.numverts;
    out->positions.resize(3 * numverts);
    out->normals.resize(3 * numverts);
    out->texcoords.resize(2 * numverts);
    out->drawn.resize(numverts);
    uint8_t* drawn = out->drawn.data();
    SkinJob job;
    job.verts = src.verts.data();
    job.numverts = numverts;
    job.bones = bones;
    job.usable = (uint32_t)usable;
    job.positions = out->positions.data();
    job.normals = out->normals.data();
    job.drawn = drawn;
#ifdef BONELOOM_SKIN_WIDE
    if (kernel == SKIN_FASTEST && HasWideUnits())
        SkinVerticesWide(job);
    else
        SkinVerticesPlain(job);
#else
    (void)kernel;
    SkinVerticesPlain(job);
#endif

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
    return true;
}

bool SkinModel(const SkelModel* model, const BonePose* pose, int32_t count,
               std::vector<SkinnedMesh>* out) {
    if (!model || !out) return false;
    int32_t nummeshes = std::max(0, std::min(model->nummeshes, (int32_t)model->meshes.size()));
    out->resize((size_t)nummeshes);
    bool all = nummeshes == model->nummeshes;
    for (int32_t m = 0; m < nummeshes; m++)
        all = SkinMesh(model, m, pose, count, &(*out)[m]) && all;
    return all;
}
