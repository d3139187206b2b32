// What an import hands on: the file images built by the exporters' builders,
// carried out of the reader's child process as one flat message, then staged
// and committed with the textures as one set of files.
#include <algorithm>
#include <cstring>
#include <string>

#include "model/export.h"
#include "model/file_io.h"
#include "model/format.h"
#include "tools/import/guard.h"
#include "tools/import/import.h"

namespace {

void PutCount(std::string* out, uint64_t value) {
    for (int k = 0; k < 8; k++) out->push_back((char)(value >> (8 * k)));
}

void PutBytes(std::string* out, const void* data, size_t size) {
    PutCount(out, size);
    out->append((const char*)data, size);
}

// Reads back what PutCount and PutBytes wrote; false once past the end.
struct Reader {
    const std::string& text;
    size_t at = 0;
    bool Count(uint64_t* value) {
        if (text.size() - at < 8) return false;
        *value = 0;
        for (int k = 0; k < 8; k++) *value |= (uint64_t)(unsigned char)text[at + k] << (8 * k);
        at += 8;
        return true;
    }
    template <class Bytes>
    bool Take(Bytes* out) {
        uint64_t size = 0;
        if (!Count(&size) || text.size() - at < size) return false;
        out->assign(text.begin() + (long)at, text.begin() + (long)(at + size));
        at += size;
        return true;
    }
};

std::string Encode(const ImportedFiles& files) {
    std::string out;
    out.reserve(files.skm.size() + files.skp.size() + 4096);
    PutCount(&out, (uint64_t)files.bones);
    PutCount(&out, (uint64_t)files.meshes);
    PutCount(&out, (uint64_t)files.frames);
    PutBytes(&out, files.skm.data(), files.skm.size());
    PutBytes(&out, files.skp.data(), files.skp.size());
    PutCount(&out, files.textures.size());
    for (const ImportedTexture& texture : files.textures) {
        PutBytes(&out, texture.file.data(), texture.file.size());
        PutBytes(&out, texture.bytes.data(), texture.bytes.size());
    }
    PutCount(&out, files.warnings.size());
    for (const std::string& warning : files.warnings)
        PutBytes(&out, warning.data(), warning.size());
    return out;
}

bool Decode(const std::string& text, ImportedFiles* files) {
    Reader in{text};
    uint64_t bones, meshes, frames, textures, warnings;
    if (!in.Count(&bones) || !in.Count(&meshes) || !in.Count(&frames) || !in.Take(&files->skm) ||
        !in.Take(&files->skp) || !in.Count(&textures) || textures > text.size())
        return false;
    files->bones = (int32_t)bones, files->meshes = (int32_t)meshes;
    files->frames = (int32_t)frames;
    files->textures.resize(textures);
    for (ImportedTexture& texture : files->textures)
        if (!in.Take(&texture.file) || !in.Take(&texture.bytes)) return false;
    if (!in.Count(&warnings) || warnings > text.size()) return false;
    files->warnings.resize(warnings);
    for (std::string& warning : files->warnings)
        if (!in.Take(&warning)) return false;
    return in.at == text.size();
}

// One file image built by an exporter's builder into a buffer of its own size.
bool BuildImage(const SkelModel& model, bool skm, const char* path,
                std::vector<unsigned char>* image, std::string* reason) {
    std::string why;
    int64_t size = 0;
    // The builder refuses a model past 16 MB in its own words; up to that
    // the buffer is the image's size.
    if (skm ? SKMImageSize(&model, &size, &why) : SKPImageSize(&model, &size, &why)) {
        image->resize((size_t)std::min<int64_t>(size, MAX_FILESIZE));
        if (skm ? BuildSKMImage(&model, image->data(), image->size(), &size, &why)
                : BuildSKPImage(&model, image->data(), image->size(), &size, &why))
            return true;
    }
    // The exporters' own words for a refused model.
    *reason =
        FormatText("unable to export %s file \"%s\": %s", skm ? "SKM" : "SKP", path, why.c_str());
    return false;
}

} // namespace

bool ImportFiles(const char* path, const ImportOptions& options, const char* skmPath,
                 const char* skpPath, ImportedFiles* files, std::string* reason) {
    SkelModel model;
    if (!ImportModel(path, options, &model, &files->warnings, reason, &files->textures))
        return false;
    return BuildImportImages(model, skmPath, skpPath, files, reason);
}

bool BuildImportImages(const SkelModel& model, const char* skmPath, const char* skpPath,
                       ImportedFiles* files, std::string* reason) {
    files->bones = model.numbones, files->meshes = model.nummeshes;
    files->frames = model.numframes;
    return BuildImage(model, true, skmPath, &files->skm, reason) &&
           BuildImage(model, false, skpPath, &files->skp, reason);
}

bool ImportGuarded(const char* path, const ImportOptions& options, const char* skmPath,
                   const char* skpPath, ImportedFiles* files, std::string* reason) {
    std::string message;
    auto work = [&](std::string* payload, std::string* why) {
        ImportedFiles made;
        if (!ImportFiles(path, options, skmPath, skpPath, &made, why)) {
            // The warnings that came before the refusal still belong to it.
            for (const std::string& warning : made.warnings) *why += "\n" + warning;
            return false;
        }
        *payload = Encode(made);
        return true;
    };
    if (!RunGuarded(path, GuardLimits(), work, &message, reason)) {
        size_t end = reason->find('\n');
        if (end != std::string::npos) {
            size_t at = end + 1;
            for (size_t next; (next = reason->find('\n', at)) != std::string::npos; at = next + 1)
                files->warnings.push_back(reason->substr(at, next - at));
            files->warnings.push_back(reason->substr(at));
            reason->resize(end);
        }
        return false;
    }
    if (!Decode(message, files)) {
        *reason = std::string(path) + ": the reader's result arrived damaged";
        return false;
    }
    return true;
}

bool ListSceneGuarded(const char* path, std::string* listing, std::string* reason) {
    auto work = [&](std::string* payload, std::string* why) {
        return ListScene(path, payload, why);
    };
    return RunGuarded(path, GuardLimits(), work, listing, reason);
}

bool WriteImportedFiles(const ImportedFiles& files, const char* skmPath, const char* skpPath,
                        std::vector<std::string>* written, std::string* reason) {
    std::vector<std::string> paths = {skmPath, skpPath};
    std::string folder = FolderOf(skmPath);
    for (const ImportedTexture& texture : files.textures)
        paths.push_back(JoinPath(folder, texture.file.c_str()));
    std::vector<FileRole> roles;
    for (size_t i = 0; i < paths.size(); i++)
        roles.push_back({paths[i].c_str(), i == 0 ? "SKM" : i == 1 ? "SKP" : "texture", true});
    if (!CheckOutputClashes(roles.data(), roles.size(), reason)) return false;

    std::vector<StagedFile> staged(paths.size());
    std::vector<StagedFile*> all;
    for (size_t i = 0; i < paths.size(); i++) {
        const std::vector<unsigned char>& bytes = i == 0   ? files.skm
                                                  : i == 1 ? files.skp
                                                           : files.textures[i - 2].bytes;
        if (!StageFile(paths[i].c_str(), bytes.data(), bytes.size(), &staged[i], reason))
            return false;
        all.push_back(&staged[i]);
    }
    if (!CommitStagedFiles(all.data(), all.size(), reason)) return false;
    *written = paths;
    return true;
}
