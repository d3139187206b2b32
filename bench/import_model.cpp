// Writes the model that bench/import.sh exports to glTF and imports back: the
// benchmarks' limit-sized mesh (vertex, triangle and reference limits, an SKM
// file just under 16 MB) on their 256-bone skeleton with 24 frames, which
// `gltf` turns into a .glb of about 11 MB.
// Usage: bench_import_model BASE — writes BASE.skm and BASE.skp.
#include <cstdio>
#include <string>

#include "bench/limit_model.h"
#include "model/export.h"
#include "session/export.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: bench_import_model BASE\n");
        return 2;
    }
    SkelModel model;
    BuildLimitMesh(&model);
    BuildLimitSkeleton(&model);
    model.numframes = 24; // a second of animation rather than 16 MB of it
    model.frames.resize(24);
    std::string base = argv[1];
    bool ok = WriteSKMFile(&model, (base + ".skm").c_str()) &&
              WriteSKPFile(&model, (base + ".skp").c_str());
    return ok ? 0 : 1;
}
