// Writing an imported model: both file images are built by the exporters'
// builders, then handed to the shared pair writer, so an import replaces both
// files or neither and refuses outputs that are one file.
#include <string>
#include <vector>

#include "model/export.h"
#include "model/file_io.h"
#include "model/format.h"
#include "tools/import/import.h"

namespace {
bool BuildImage(const SkelModel* model, bool skm, const char* path,
                std::vector<unsigned char>* image, std::string* reason) {
    std::string why;
    int64_t size = 0;
    bool built = skm ? BuildSKMImage(model, OutputBuffer, MAX_FILESIZE, &size, &why)
                     : BuildSKPImage(model, OutputBuffer, MAX_FILESIZE, &size, &why);
    if (!built) {
        // The exporters' own words for a refused model.
        *reason = FormatText("unable to export %s file \"%s\": %s; nothing written",
                             skm ? "SKM" : "SKP", path, why.c_str());
        return false;
    }
    image->assign(OutputBuffer, OutputBuffer + size);
    return true;
}

} // namespace

bool WriteImportedPair(const SkelModel* model, const char* skmPath, const char* skpPath,
                       std::string* reason) {
    std::vector<unsigned char> skm, skp;
    if (!BuildImage(model, true, skmPath, &skm, reason) ||
        !BuildImage(model, false, skpPath, &skp, reason))
        return false;
    const FileRole roles[] = {{skmPath, "SKM", true}, {skpPath, "SKP", true}};
    if (!CheckOutputClashes(roles, 2, reason)) return false;
    return WriteFilePairAtomic(skmPath, skm.data(), skm.size(), skpPath, skp.data(), skp.size(),
                               reason);
}
