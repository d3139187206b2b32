// Skin lookup: each candidate name is tried as spelt, then matched folder by
// folder without regard to case, since texture names written by other
// systems often differ in case from the files on disk.
#include "render/skin_files.h"

#include <algorithm>
#include <cstring>

#include "model/file_io.h"
#include "model/model.h"

const char* const SKIN_EXTENSIONS[4] = {".tga", ".png", ".jpg", ".jpeg"};

namespace {

// The file rel (folders separated by '/') below dir when every part is
// matched without regard to case; "" when none.
std::string FindCaseless(const std::string& dir, const std::string& rel) {
    std::string path = dir;
    size_t start = 0;
    while (start <= rel.size()) {
        size_t end = rel.find('/', start);
        if (end == std::string::npos) end = rel.size();
        std::string part = rel.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        std::string entry = part == ".." ? part : CaselessEntry(path, part);
        if (entry.empty()) return "";
        path = JoinPath(path, entry.c_str());
    }
    return IsRegularFile(path) ? path : "";
}

std::string NormalisedName(const char* skinname) {
    std::string name(skinname, strnlen(skinname, NAME_LEN));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

} // namespace

std::string FindSkinTexture(const char* skinname, const SkinSearch* search) {
    std::string name = NormalisedName(skinname);
    if (name.empty()) return "";
    std::vector<std::string> candidates = {name};
    for (const char* extension : SKIN_EXTENSIONS) candidates.push_back(name + extension);
    if (name[0] == '/') {
        for (const std::string& candidate : candidates)
            if (IsRegularFile(candidate)) return candidate;
        for (const std::string& candidate : candidates) {
            std::string path = FindCaseless("/", candidate.substr(1));
            if (!path.empty()) return path;
        }
        return "";
    }
    std::vector<std::string> folders = {search ? search->model_dir : std::string()};
    if (search)
        folders.insert(folders.end(), search->texture_dirs.begin(), search->texture_dirs.end());
    folders.push_back("");
    std::vector<std::string> seen;
    for (const std::string& folder : folders) {
        if (std::find(seen.begin(), seen.end(), folder) != seen.end()) continue;
        seen.push_back(folder);
        for (const std::string& candidate : candidates) {
            std::string path = JoinPath(folder, candidate.c_str());
            if (IsRegularFile(path)) return path;
        }
        for (const std::string& candidate : candidates) {
            std::string path = FindCaseless(folder, candidate);
            if (!path.empty()) return path;
        }
    }
    return "";
}

std::string MissingSkinPath(const char* skinname, const SkinSearch* search) {
    std::string name = NormalisedName(skinname);
    std::string folder = search && !search->model_dir.empty() ? search->model_dir : ".";
    bool hasExtension = false;
    for (const char* extension : SKIN_EXTENSIONS) {
        size_t n = strlen(extension);
        hasExtension |=
            name.size() > n && strcasecmp(name.c_str() + name.size() - n, extension) == 0;
    }
    return JoinPath(folder, (name + (hasExtension ? "" : ".tga")).c_str());
}
