// Load and export speed at the formats' limits, against plain stdio: an SKM
// file of close to 16 MB (one mesh at the vertex, triangle and reference
// limits) and an SKP file of 256 bones with as many frames as fit in 16 MB.
// Prints the best of several runs and the load/read and export/replace ratios
// (target: at most 2; the replace is a plain stdio write made as durable as
// the exporters' own: synced, renamed, directory synced). Both sides run on warm heap memory (large
// blocks are kept by malloc instead of being mapped afresh), so the ratios compare the work done
// rather than the kernel's cost of faulting in new pages, which a one-time load pays for the model
// and a plain read for its buffer alike. Usage: bench_model_io [RUNS [DIR]] — DIR (default /tmp)
// holds the files; on a tmpfs such as /dev/shm the write figures are free of disk writeback.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/limit_model.h"
#include "model/export.h"
#include "model/load.h"
#include "session/export.h"

namespace {

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// What the loader is compared with: open, allocate, one fread, close.
double TimePlainRead(const std::string& path, size_t* bytes) {
    double start = NowMs();
    FILE* f = fopen(path.c_str(), "rb");
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char* buffer = (unsigned char*)malloc((size_t)size);
    *bytes = fread(buffer, 1, (size_t)size, f);
    fclose(f);
    // Touch the result so the read cannot be skipped.
    volatile unsigned char sink = buffer[*bytes / 2];
    (void)sink;
    free(buffer);
    return NowMs() - start;
}

double TimeLoad(const std::string& path, bool skm) {
    double start = NowMs();
    SkelModel* model = new SkelModel;
    LoadReport report;
    LoadStatus status =
        skm ? LoadSKMFile(path.c_str(), model, &report) : LoadSKPFile(path.c_str(), model, &report);
    double elapsed = NowMs() - start;
    if (status != LOAD_OK) {
        fprintf(stderr, "bench: load of %s failed:\n%s", path.c_str(), report.console.c_str());
        exit(1);
    }
    delete model; // freed outside the timed part, as the viewer never frees it
    return elapsed;
}

// What the exporter is compared with: one fwrite of the same image.
double TimePlainWrite(const std::string& path, const std::vector<unsigned char>& image) {
    double start = NowMs();
    FILE* f = fopen(path.c_str(), "wb");
    size_t written = fwrite(image.data(), 1, image.size(), f);
    fclose(f);
    double elapsed = NowMs() - start;
    if (written != image.size()) exit(1);
    return elapsed;
}

// The same write made safe the way the exporters make it: into a temporary
// file, synced, renamed over the target, and the directory synced. The
// exporters' target is measured against this, as the sync is what a durable
// replace costs whoever does it (a plain fwrite leaves the data in the page
// cache).
double TimePlainReplace(const std::string& path, const std::vector<unsigned char>& image) {
    double start = NowMs();
    std::string temp = path + ".tmp";
    FILE* f = fopen(temp.c_str(), "wb");
    size_t written = fwrite(image.data(), 1, image.size(), f);
    bool synced = fflush(f) == 0 && fsync(fileno(f)) == 0;
    fclose(f);
    rename(temp.c_str(), path.c_str());
    std::string dir = path.substr(0, path.find_last_of('/') + 1) + ".";
    int dirfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirfd >= 0) synced = fsync(dirfd) == 0 && synced;
    if (dirfd >= 0) close(dirfd);
    double elapsed = NowMs() - start;
    if (written != image.size() || !synced) exit(1);
    return elapsed;
}

double TimeExport(SkelModel* model, const std::string& path, bool skm) {
    // The exporter prints two lines; keep them out of the figures.
    fflush(stdout);
    FILE* saved = stdout;
    stdout = fopen("/dev/null", "w");
    double start = NowMs();
    bool ok = skm ? WriteSKMFile(model, path.c_str()) : WriteSKPFile(model, path.c_str());
    double elapsed = NowMs() - start;
    fclose(stdout);
    stdout = saved;
    if (!ok) exit(1);
    return elapsed;
}

struct Figures {
    double read, load, write, replace, exported;
};

Figures Measure(SkelModel* model, const std::string& dir, bool skm, int runs) {
    std::string reason;
    int64_t size = 0;
    if (!(skm ? BuildSKMImage(model, OutputBuffer, MAX_FILESIZE, &size, &reason)
              : BuildSKPImage(model, OutputBuffer, MAX_FILESIZE, &size, &reason))) {
        fprintf(stderr, "bench: %s\n", reason.c_str());
        exit(1);
    }
    std::vector<unsigned char> image(OutputBuffer, OutputBuffer + size);
    std::string file = dir + (skm ? "/limit.skm" : "/limit.skp");
    std::string plain = dir + (skm ? "/plain.skm" : "/plain.skp");
    TimePlainWrite(file, image);

    Figures best{1e30, 1e30, 1e30, 1e30, 1e30};
    for (int r = 0; r < runs; r++) {
        size_t bytes = 0;
        best.read = std::min(best.read, TimePlainRead(file, &bytes));
        best.load = std::min(best.load, TimeLoad(file, skm));
        // Flush dirty pages first, so that neither write is slowed by the
        // kernel writing back what the one before it left behind.
        sync();
        best.write = std::min(best.write, TimePlainWrite(plain, image));
        sync();
        best.replace = std::min(
            best.replace, TimePlainReplace(dir + (skm ? "/replace.skm" : "/replace.skp"), image));
        sync();
        best.exported =
            std::min(best.exported, TimeExport(model, dir + (skm ? "/out.skm" : "/out.skp"), skm));
    }
    printf(
        "%s %9lld bytes: fread %6.2f ms, load %6.2f ms, load/read %.2f | fwrite %6.2f ms, "
        "synced replace %6.2f ms, export %6.2f ms, export/replace %.2f (export/write %.2f)\n",
        skm ? "SKM" : "SKP", (long long)size, best.read, best.load, best.load / best.read,
        best.write, best.replace, best.exported, best.exported / best.replace,
        best.exported / best.write);
    return best;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    std::string pattern = std::string(argc > 2 ? argv[2] : "/tmp") + "/bench_model_io_XXXXXX";
    char* dir = mkdtemp(&pattern[0]);
    if (!dir) {
        fprintf(stderr, "bench: cannot make a directory in %s\n", argc > 2 ? argv[2] : "/tmp");
        return 1;
    }

    SkelModel meshes, skeleton;
    BuildLimitMesh(&meshes);
    BuildLimitSkeleton(&skeleton);
    printf("best of %i runs; files in %s (page cache)\n", runs, dir);
    Figures skm = Measure(&meshes, dir, true, runs);
    Figures skp = Measure(&skeleton, dir, false, runs);

    std::string cleanup = std::string("rm -rf '") + dir + "'";
    if (system(cleanup.c_str()) != 0) fprintf(stderr, "bench: could not remove %s\n", dir);
    bool met = skm.load <= 2 * skm.read && skp.load <= 2 * skp.read &&
               skm.exported <= 2 * skm.replace && skp.exported <= 2 * skp.replace;
    printf("target (load/read and export/replace at most 2): %s\n", met ? "met" : "NOT met");
    return 0;
}
