// gltf-edge-models DIR: writes the glTF export's edge-case models as
// DIR/<name>.skm and DIR/<name>.skp with the model exporters, for the
// validator and assimp runs of the end-to-end tests.
#include <cstdio>
#include <string>

#include "model/export.h"
#include "tests/gltf/edge_models.h"
#include "session/export.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: gltf-edge-models DIR\n");
        return 2;
    }
    for (const EdgeModelEntry& entry : EDGE_MODELS) {
        SkelModel model;
        entry.build(&model);
        std::string base = std::string(argv[1]) + "/" + entry.name;
        if (!WriteSKMFile(&model, (base + ".skm").c_str()) ||
            !WriteSKPFile(&model, (base + ".skp").c_str())) {
            fprintf(stderr, "gltf-edge-models: could not write %s.skm / .skp\n", base.c_str());
            return 1;
        }
        printf("%s\n", entry.name);
    }
    return 0;
}
