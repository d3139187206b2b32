// One import of FILE into DIR/guard.skm and DIR/guard.skp, with the reader in
// this process (direct) or in the guard's child process (guarded), and the
// outputs written as boneloom-tool import writes them; bench/import.sh times
// each in fresh processes, so neither gains from the other's warm heap.
// Usage: bench_import_guard direct|guarded FILE DIR
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/file_io.h"
#include "tools/import/import.h"

int main(int argc, char** argv) {
    bool guarded = argc == 4 && strcmp(argv[1], "guarded") == 0;
    if (argc != 4 || (!guarded && strcmp(argv[1], "direct") != 0)) {
        fprintf(stderr, "usage: bench_import_guard direct|guarded FILE DIR\n");
        return 2;
    }
    std::string skm = JoinPath(argv[3], "guard.skm"), skp = JoinPath(argv[3], "guard.skp");
    ImportedFiles files;
    std::vector<std::string> written;
    std::string reason;
    bool ok =
        guarded ? ImportGuarded(argv[2], ImportOptions(), skm.c_str(), skp.c_str(), &files, &reason)
                : ImportFiles(argv[2], ImportOptions(), skm.c_str(), skp.c_str(), &files, &reason);
    if (!ok || !WriteImportedFiles(files, skm.c_str(), skp.c_str(), &written, &reason)) {
        fprintf(stderr, "bench_import_guard: %s\n", reason.c_str());
        return 1;
    }
    return 0;
}
