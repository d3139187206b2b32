// Writes the model that bench/import.sh exports to glTF and imports back: 256
// bones, 24 frames and one mesh at the vertex and triangle limits with two
// weights a vertex, which makes a .glb of about 11 MB (and an SKM file just
// under 16 MB).
// Usage: bench_import_model BASE — writes BASE.skm and BASE.skp.
#include <cmath>
#include <cstdio>
#include <string>

#include "model/export.h"

namespace {

void BuildImportBenchModel(SkelModel* model) {
    model->numbones = MAX_BONES;
    model->bones.resize(MAX_BONES);
    for (int32_t i = 0; i < MAX_BONES; i++) {
        CopyName(model->bones[i].name, ("bone" + std::to_string(i)).c_str());
        model->bones[i].parent = i == 0 ? -1 : (i - 1) / 4;
        model->bones[i].flags = 0;
    }
    model->numframes = 24;
    model->frames.resize(24);
    for (int32_t f = 0; f < 24; f++) {
        CopyName(model->frames[f].name, ("frame" + std::to_string(f)).c_str());
        model->frames[f].poses.resize(MAX_BONES);
        for (int32_t i = 0; i < MAX_BONES; i++) {
            double half = 0.01 * f * (i % 7);
            model->frames[f].poses[i] =
                BonePose{{0.0f, (float)std::sin(half), 0.0f, (float)std::cos(half)},
                         {i == 0 ? 0.0f : 1.0f, 0.0f, 0.5f}};
        }
    }
    model->nummeshes = 1;
    model->meshes.resize(1);
    SkelMesh& mesh = model->meshes[0];
    CopyName(mesh.meshname, "bench_mesh");
    CopyName(mesh.skinname, "bench_skin");
    mesh.numverts = MAX_VERTS;
    mesh.verts.resize(MAX_VERTS);
    mesh.weightpool.resize(2 * (size_t)MAX_VERTS);
    mesh.texcoords.resize(2 * (size_t)MAX_VERTS);
    for (int32_t v = 0; v < MAX_VERTS; v++) {
        float x = (float)(v % 512) * 0.01f, y = (float)(v / 512) * 0.01f;
        mesh.weightpool[2 * v] = BoneWeight{{x, y, 0.1f}, 0.7f, {0, 0, 1}, v % MAX_BONES};
        mesh.weightpool[2 * v + 1] =
            BoneWeight{{x, y, -0.1f}, 0.3f, {0, 0, 1}, (v * 7 + 1) % MAX_BONES};
        mesh.verts[v].numweights = 2;
        mesh.texcoords[2 * v] = x;
        mesh.texcoords[2 * v + 1] = y;
    }
    LinkVertexWeights(&mesh);
    mesh.numtris = MAX_TRIS;
    mesh.indices.resize(3 * (size_t)MAX_TRIS);
    for (size_t i = 0; i < mesh.indices.size(); i++) mesh.indices[i] = (int32_t)i;
    mesh.numreferences = MAX_BONES;
    mesh.references.resize(MAX_BONES);
    for (int32_t r = 0; r < MAX_BONES; r++) mesh.references[r] = r;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: bench_import_model BASE\n");
        return 2;
    }
    SkelModel model;
    BuildImportBenchModel(&model);
    std::string base = argv[1];
    return WriteSKMFile(&model, (base + ".skm").c_str()) &&
                   WriteSKPFile(&model, (base + ".skp").c_str())
               ? 0
               : 1;
}
