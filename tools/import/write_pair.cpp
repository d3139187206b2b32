// Writing an imported model: each file image is built by the exporters'
// builder into one buffer and staged from there at once, then both are
// committed together, so an import replaces both files or neither and
// refuses outputs that are one file.
#include <string>
#include <vector>

#include "model/export.h"
#include "model/file_io.h"
#include "model/format.h"
#include "tools/import/import.h"

namespace {

bool StageImage(const SkelModel* model, bool skm, const char* path,
                std::vector<unsigned char>* image, StagedFile* staged, std::string* reason) {
    std::string why;
    int64_t size = 0;
    bool built = skm ? BuildSKMImage(model, image->data(), image->size(), &size, &why)
                     : BuildSKPImage(model, image->data(), image->size(), &size, &why);
    if (!built) {
        // The exporters' own words for a refused model.
        *reason = FormatText("unable to export %s file \"%s\": %s", skm ? "SKM" : "SKP", path,
                             why.c_str());
        return false;
    }
    return StageFile(path, image->data(), (size_t)size, staged, reason);
}

} // namespace

bool WriteImportedPair(const SkelModel* model, const char* skmPath, const char* skpPath,
                       std::string* reason) {
    const FileRole roles[] = {{skmPath, "SKM", true}, {skpPath, "SKP", true}};
    if (!CheckOutputClashes(roles, 2, reason)) return false;
    StagedFile skm, skp;
    std::vector<unsigned char> image(MAX_FILESIZE);
    if (!StageImage(model, true, skmPath, &image, &skm, reason) ||
        !StageImage(model, false, skpPath, &image, &skp, reason))
        return false;
    StagedFile* both[] = {&skm, &skp};
    return CommitStagedFiles(both, 2, reason);
}
