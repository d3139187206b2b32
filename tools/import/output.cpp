// What an import hands on: the file images built by the exporters' builders,
// carried out of the reader's child process as one flat message, then staged
// and committed with the textures as one set of files.
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>

#include "model/export.h"
#include "model/file_io.h"
#include "model/format.h"
#include "tools/import/guard.h"
#include "tools/import/import.h"

namespace {

// Lays the result out in a buffer of its exact size: counts as 8 bytes,
// byte runs as their count and the bytes.
struct Writer {
    char* at;
    void Count(uint64_t value) {
        for (int k = 0; k < 8; k++) *at++ = (char)(value >> (8 * k));
    }
    void Bytes(const void* data, size_t size) {
        Count(size);
        if (size) memcpy(at, data, size);
        at += size;
    }
};

// Reads back what Writer wrote; false once past the end.
struct Reader {
    const char* text;
    size_t size;
    size_t at = 0;
    bool Count(uint64_t* value) {
        if (size - at < 8) return false;
        *value = 0;
        for (int k = 0; k < 8; k++) *value |= (uint64_t)(unsigned char)text[at + k] << (8 * k);
        at += 8;
        return true;
    }
    template <class Bytes>
    bool Take(Bytes* out) {
        uint64_t length = 0;
        if (!Count(&length) || size - at < length) return false;
        out->assign(text + at, text + at + length);
        at += length;
        return true;
    }
    bool View(ByteView* out) {
        uint64_t length = 0;
        if (!Count(&length) || size - at < length) return false;
        *out = {(const unsigned char*)text + at, (size_t)length};
        at += length;
        return true;
    }
};

// The images stay where they arrived (files->storage holds them); the rest
// is copied out.
bool Decode(std::shared_ptr<const char> result, size_t size, ImportedFiles* files) {
    const char* text = result.get();
    Reader in{text, size};
    uint64_t bones, meshes, frames, textures, warnings;
    if (!in.Count(&bones) || !in.Count(&meshes) || !in.Count(&frames) || !in.View(&files->skm) ||
        !in.View(&files->skp) || !in.Count(&textures) || textures > size)
        return false;
    files->storage = std::move(result);
    files->bones = (int32_t)bones, files->meshes = (int32_t)meshes;
    files->frames = (int32_t)frames;
    files->textures.resize(textures);
    for (ImportedTexture& texture : files->textures)
        if (!in.Take(&texture.file) || !in.Take(&texture.bytes)) return false;
    if (!in.Count(&warnings) || warnings > size) return false;
    files->warnings.resize(warnings);
    for (std::string& warning : files->warnings)
        if (!in.Take(&warning)) return false;
    return in.at == size;
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

// The whole result of an import, both images built by the exporters' builders
// straight into the buffer reserve gives (in the guard: memory the parent
// maps), so megabytes are not copied on the way.
bool EncodeImport(const SkelModel& model, const ImportedFiles& rest, const char* skmPath,
                  const char* skpPath, const std::function<char*(size_t)>& reserve,
                  std::string* reason) {
    int64_t skm = 0, skp = 0;
    std::string why;
    if (!SKMImageSize(&model, &skm, &why) || !SKPImageSize(&model, &skp, &why) ||
        skm > MAX_FILESIZE || skp > MAX_FILESIZE) {
        std::vector<unsigned char> image; // the builders' refusal, in their words
        return BuildImage(model, true, skmPath, &image, reason) &&
               BuildImage(model, false, skpPath, &image, reason);
    }
    size_t total = 8 * 6 + (size_t)skm + (size_t)skp + 8;
    for (const ImportedTexture& texture : rest.textures)
        total += 16 + texture.file.size() + texture.bytes.size();
    for (const std::string& warning : rest.warnings) total += 8 + warning.size();
    Writer out{reserve(total)};
    out.Count((uint64_t)model.numbones);
    out.Count((uint64_t)model.nummeshes);
    out.Count((uint64_t)model.numframes);
    const struct {
        int64_t size;
        bool skm;
        const char* path;
    } IMAGES[2] = {{skm, true, skmPath}, {skp, false, skpPath}};
    for (const auto& image : IMAGES) {
        out.Count((uint64_t)image.size);
        int64_t built = 0;
        unsigned char* into = (unsigned char*)out.at;
        if (!(image.skm ? BuildSKMImage(&model, into, (size_t)image.size, &built, &why)
                        : BuildSKPImage(&model, into, (size_t)image.size, &built, &why))) {
            *reason = FormatText("unable to export %s file \"%s\": %s", image.skm ? "SKM" : "SKP",
                                 image.path, why.c_str());
            return false;
        }
        out.at += image.size;
    }
    out.Count(rest.textures.size());
    for (const ImportedTexture& texture : rest.textures) {
        out.Bytes(texture.file.data(), texture.file.size());
        out.Bytes(texture.bytes.data(), texture.bytes.size());
    }
    out.Count(rest.warnings.size());
    for (const std::string& warning : rest.warnings) out.Bytes(warning.data(), warning.size());
    return true;
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
    auto images = std::make_shared<std::array<std::vector<unsigned char>, 2>>();
    if (!BuildImage(model, true, skmPath, &(*images)[0], reason) ||
        !BuildImage(model, false, skpPath, &(*images)[1], reason))
        return false;
    files->skm = {(*images)[0].data(), (*images)[0].size()};
    files->skp = {(*images)[1].data(), (*images)[1].size()};
    files->storage = std::move(images);
    return true;
}

bool ImportGuarded(const char* path, const ImportOptions& options, const char* skmPath,
                   const char* skpPath, ImportedFiles* files, std::string* reason) {
    auto work = [&](const std::function<char*(size_t)>& reserve, std::string* why) {
        SkelModel model;
        ImportedFiles rest;
        if (!ImportModel(path, options, &model, &rest.warnings, why, &rest.textures) ||
            !EncodeImport(model, rest, skmPath, skpPath, reserve, why)) {
            // The warnings that came before the refusal still belong to it.
            for (const std::string& warning : rest.warnings) *why += "\n" + warning;
            return false;
        }
        return true;
    };
    auto receive = [&](std::shared_ptr<const char> result, size_t size) {
        return Decode(std::move(result), size, files);
    };
    if (RunGuarded(path, GuardLimits(), work, receive, reason)) return true;
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

bool ListSceneGuarded(const char* path, std::string* listing, std::string* reason) {
    auto work = [&](const std::function<char*(size_t)>& reserve, std::string* why) {
        std::string text;
        if (!ListScene(path, &text, why)) return false;
        if (!text.empty()) memcpy(reserve(text.size()), text.data(), text.size());
        return true;
    };
    auto receive = [&](std::shared_ptr<const char> result, size_t size) {
        listing->assign(result.get(), size);
        return true;
    };
    return RunGuarded(path, GuardLimits(), work, receive, reason);
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
        ByteView bytes = i == 0 ? files.skm : i == 1 ? files.skp : ByteView{};
        if (i >= 2)
            bytes = {files.textures[i - 2].bytes.data(), files.textures[i - 2].bytes.size()};
        if (!StageFile(paths[i].c_str(), bytes.data, bytes.size, &staged[i], reason)) return false;
        all.push_back(&staged[i]);
    }
    if (!CommitStagedFiles(all.data(), all.size(), reason)) return false;
    *written = paths;
    return true;
}
