// Writes the limit-sized model pair for benchmarks of whole commands:
// DIR/limit.skm (one mesh at the vertex, triangle and reference limits) and
// DIR/limit.skp (256 bones, as many frames as fit in 16 MB).
// Usage: bench_write_limit_model DIR
#include <cstdio>
#include <string>

#include "bench/limit_model.h"
#include "model/export.h"
#include "session/export.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: bench_write_limit_model DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    SkelModel meshes, skeleton;
    BuildLimitMesh(&meshes);
    BuildLimitSkeleton(&skeleton);
    bool ok = WriteSKMFile(&meshes, (dir + "/limit.skm").c_str()) &&
              WriteSKPFile(&skeleton, (dir + "/limit.skp").c_str());
    return ok ? 0 : 1;
}
