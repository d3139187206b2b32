// Writing an imported model: each file image is built by the exporters'
// builder into their buffer and staged from there at once, then both are
// committed together, so an import replaces both files or neither and
// refuses outputs that are one file.
#include <string>

#include "model/export.h"
#include "model/file_io.h"
#include "model/format.h"
#include "tools/import/import.h"

namespace {

bool StageImage(const SkelModel* model, bool skm, const char* path, StagedFile* staged,
                std::string* reason) {
    std::string why;
    int64_t size = 0;
    bool built = skm ? BuildSKMImage(model, OutputBuffer, MAX_FILESIZE, &size, &why)
                     : BuildSKPImage(model, OutputBuffer, MAX_FILESIZE, &size, &why);
    if (!built) {
        // The exporters' own words for a refused model.
        *reason = FormatText("unable to export %s file \"%s\": %s", skm ? "SKM" : "SKP", path,
                             why.c_str());
        return false;
    }
    return StageFile(path, OutputBuffer, (size_t)size, staged, reason);
}

} // namespace

bool WriteImportedPair(const SkelModel* model, const char* skmPath, const char* skpPath,
                       std::string* reason) {
    const FileRole roles[] = {{skmPath, "SKM", true}, {skpPath, "SKP", true}};
    if (!CheckOutputClashes(roles, 2, reason)) return false;
    StagedFile skm, skp;
    if (!StageImage(model, true, skmPath, &skm, reason) ||
        !StageImage(model, false, skpPath, &skp, reason))
        return false;
    StagedFile* both[] = {&skm, &skp};
    return CommitStagedFiles(both, 2, reason);
}
