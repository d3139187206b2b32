// The model at the formats' limits that the benchmarks time: an SKM file of
// close to 16 MB (one mesh at the vertex, triangle and reference limits) and
// an SKP file of 256 bones with as many frames as fit in 16 MB.
#pragma once
#include <string>

#include "model/format.h"
#include "model/model.h"

constexpr int32_t LIMIT_SHEET_COLUMNS = 512; // 512 x 384 = MAX_VERTS
constexpr int32_t LIMIT_SHEET_ROWS = MAX_VERTS / LIMIT_SHEET_COLUMNS;

// A mesh at the limits, its weights topping the file up to just under 16 MB.
inline void BuildLimitMesh(SkelModel* model) {
    model->numbones = MAX_BONES;
    model->nummeshes = 1;
    model->meshes.resize(1);
    SkelMesh& mesh = model->meshes[0];
    CopyName(mesh.skinname, "bench_skin");
    CopyName(mesh.meshname, "bench_mesh");
    int64_t fixed = (int64_t)(SKM_HEADER_SIZE + MESH_HEADER_SIZE +
                              (VERTEX_COUNT_SIZE + TEXCOORD_SIZE) * MAX_VERTS +
                              TRIANGLE_SIZE * MAX_TRIS + REFERENCE_SIZE * MAX_REFERENCES);
    int64_t weights = (MAX_FILESIZE - fixed) / (int64_t)WEIGHT_SIZE;
    mesh.numverts = MAX_VERTS;
    mesh.verts.resize(MAX_VERTS);
    mesh.weightpool.resize((size_t)weights);
    for (int32_t v = 0; v < MAX_VERTS; v++)
        mesh.verts[v].numweights =
            (int32_t)(weights / MAX_VERTS + (v < weights % MAX_VERTS ? 1 : 0));
    // Shaped like a real mesh, so that drawing it measures what a model of
    // this size costs and not the overdraw of a triangle soup: the vertices
    // form a 512 x 384 sheet blended over the first bones of the chain, and
    // the triangles join neighbouring vertices.
    int64_t w = 0;
    for (int32_t v = 0; v < MAX_VERTS; v++) {
        float x = (float)(v % LIMIT_SHEET_COLUMNS) * 0.05f;
        float y = (float)(v / LIMIT_SHEET_COLUMNS) * 0.05f;
        float share = 1.0f / (float)mesh.verts[v].numweights;
        for (int32_t k = 0; k < mesh.verts[v].numweights; k++, w++)
            mesh.weightpool[w] =
                BoneWeight{{x, y, 0.1f * (float)k}, share, {0.0f, 0.0f, 1.0f}, k % MAX_BONES};
    }
    LinkVertexWeights(&mesh);
    mesh.texcoords.resize(2 * (size_t)MAX_VERTS);
    for (size_t t = 0; t < mesh.texcoords.size(); t++)
        mesh.texcoords[t] = (float)(t % 512) / 512.0f;
    mesh.numtris = MAX_TRIS;
    mesh.indices.resize(3 * (size_t)MAX_TRIS);
    // Two triangles for every fifth quad of the sheet, spread over all of it.
    const int32_t quads = (LIMIT_SHEET_COLUMNS - 1) * (LIMIT_SHEET_ROWS - 1);
    const int32_t step = quads / (MAX_TRIS / 2);
    for (int32_t q = 0; q < MAX_TRIS / 2; q++) {
        int32_t cell = q * step;
        int32_t a = cell / (LIMIT_SHEET_COLUMNS - 1) * LIMIT_SHEET_COLUMNS +
                    cell % (LIMIT_SHEET_COLUMNS - 1);
        int32_t b = a + 1, c = a + LIMIT_SHEET_COLUMNS, d = c + 1;
        int32_t* tri = &mesh.indices[6 * (size_t)q];
        tri[0] = a, tri[1] = b, tri[2] = d, tri[3] = a, tri[4] = d, tri[5] = c;
    }
    mesh.numreferences = MAX_REFERENCES;
    mesh.references.resize(MAX_REFERENCES);
    for (int32_t r = 0; r < MAX_REFERENCES; r++) mesh.references[r] = r;
}

inline void BuildLimitSkeleton(SkelModel* model) {
    model->numbones = MAX_BONES;
    model->bones.resize(MAX_BONES);
    for (int32_t i = 0; i < MAX_BONES; i++) {
        CopyName(model->bones[i].name, ("bone" + std::to_string(i)).c_str());
        model->bones[i].parent = i - 1;
        model->bones[i].flags = (uint32_t)(i & 1);
    }
    model->numframes = (int32_t)((MAX_FILESIZE - SKP_HEADER_SIZE - BONE_RECORD_SIZE * MAX_BONES) /
                                 (FRAME_HEADER_SIZE + POSE_SIZE * MAX_BONES));
    model->frames.resize((size_t)model->numframes);
    for (int32_t f = 0; f < model->numframes; f++) {
        CopyName(model->frames[f].name, ("frame" + std::to_string(f)).c_str());
        model->frames[f].poses.resize(MAX_BONES);
        for (int32_t i = 0; i < MAX_BONES; i++)
            model->frames[f].poses[i] =
                BonePose{{0.0f, 0.6f, 0.0f, 0.8f}, {(float)f, (float)i, 1.5f}};
    }
}
