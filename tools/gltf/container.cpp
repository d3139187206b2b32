// The glTF containers and their writing: the binary .glb, the .gltf text with
// the buffer as a base64 data URI, name text as UTF-8, and the file written
// through the project's atomic writer. No state.
#include <cstring>
#include <string>

#include "model/file_io.h"
#include "tools/gltf/gltf.h"

namespace {

constexpr uint32_t GLB_VERSION = 2;
constexpr uint32_t GLB_CHUNK_BIN = 0x004E4942; // "BIN\0"

void PutU32(std::vector<unsigned char>* out, uint32_t value) {
    for (int k = 0; k < 4; k++) out->push_back((unsigned char)(value >> (8 * k)));
}

// JSON as the containers store it. Names reach the document through
// NameToUtf8, so the replacement handler is only a guard against a throw.
std::string DumpJson(const nlohmann::json& doc, int indent) {
    return doc.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool EndsWithIgnoringCase(const std::string& text, const char* suffix) {
    size_t n = strlen(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; i++) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

// Length of the UTF-8 sequence at text[i] (1 .. 4), or 0 when it is not a
// well-formed one (overlong forms, surrogates and code points past U+10FFFF
// included).
size_t Utf8SequenceLength(const unsigned char* text, size_t i, size_t end) {
    unsigned char c = text[i];
    if (c < 0x80) return 1;
    size_t length;
    uint32_t low;
    if (c >= 0xC2 && c <= 0xDF)
        length = 2, low = 0x80;
    else if (c >= 0xE0 && c <= 0xEF)
        length = 3, low = 0x800;
    else if (c >= 0xF0 && c <= 0xF4)
        length = 4, low = 0x10000;
    else
        return 0;
    if (end - i < length) return 0;
    uint32_t code = c & (0x7F >> length);
    for (size_t k = 1; k < length; k++) {
        if ((text[i + k] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (text[i + k] & 0x3F);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

} // namespace

GltfFormat GltfFormatForPath(const char* path) {
    std::string text = path;
    if (EndsWithIgnoringCase(text, ".glb") && text.size() > 4) return GLTF_FORMAT_GLB;
    if (EndsWithIgnoringCase(text, ".gltf") && text.size() > 5) return GLTF_FORMAT_TEXT;
    return GLTF_FORMAT_NONE;
}

std::string NameToUtf8(const char* name, bool* converted) {
    size_t end = strnlen(name, NAME_LEN);
    const unsigned char* text = (const unsigned char*)name;
    bool valid = true;
    for (size_t i = 0; i < end && valid;) {
        size_t length = Utf8SequenceLength(text, i, end);
        valid = length > 0;
        i += length;
    }
    if (converted) *converted = !valid;
    if (valid) return std::string(name, end);
    std::string out;
    for (size_t i = 0; i < end; i++) {
        unsigned char c = text[i];
        if (c < 0x80) {
            out += (char)c;
        } else {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Base64Encode(const unsigned char* data, size_t size) {
    static const char DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        uint32_t group = (uint32_t)data[i] << 16 | (uint32_t)data[i + 1] << 8 | data[i + 2];
        for (int k = 3; k >= 0; k--) out += DIGITS[(group >> (6 * k)) & 63];
    }
    size_t left = size - i;
    if (left) {
        uint32_t group = (uint32_t)data[i] << 16 | (left == 2 ? (uint32_t)data[i + 1] << 8 : 0);
        out += DIGITS[(group >> 18) & 63];
        out += DIGITS[(group >> 12) & 63];
        out += left == 2 ? DIGITS[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::vector<unsigned char> EncodeGlb(const GltfAsset* asset) {
    // The images go into the buffer after the rest, each in a view of its own.
    nlohmann::json doc = asset->doc;
    size_t binPadded = (asset->bin.size() + 3) / 4 * 4;
    for (size_t i = 0; i < asset->images.size(); i++) {
        const std::vector<uint8_t>& bytes = asset->images[i].bytes;
        doc["bufferViews"].push_back(
            {{"buffer", 0}, {"byteOffset", binPadded}, {"byteLength", bytes.size()}});
        doc["images"][i]["bufferView"] = doc["bufferViews"].size() - 1;
        binPadded += (bytes.size() + 3) / 4 * 4;
    }
    if (!asset->images.empty()) doc["buffers"][0]["byteLength"] = binPadded;
    std::string text = DumpJson(doc, -1);
    while (text.size() % 4) text += ' ';
    size_t total = 12 + 8 + text.size() + (binPadded ? 8 + binPadded : 0);
    std::vector<unsigned char> out;
    out.reserve(total);
    PutU32(&out, GLB_MAGIC);
    PutU32(&out, GLB_VERSION);
    PutU32(&out, (uint32_t)total);
    PutU32(&out, (uint32_t)text.size());
    PutU32(&out, GLB_CHUNK_JSON);
    out.insert(out.end(), text.begin(), text.end());
    if (binPadded) {
        PutU32(&out, (uint32_t)binPadded);
        PutU32(&out, GLB_CHUNK_BIN);
        out.insert(out.end(), asset->bin.begin(), asset->bin.end());
        for (const GltfImage& image : asset->images) {
            while (out.size() % 4) out.push_back(0);
            out.insert(out.end(), image.bytes.begin(), image.bytes.end());
        }
        out.resize(total, 0);
    }
    return out;
}

std::string EncodeGltfText(const GltfAsset* asset) {
    nlohmann::json doc = asset->doc;
    doc["buffers"][0]["uri"] = "data:application/octet-stream;base64," +
                               Base64Encode(asset->bin.data(), asset->bin.size());
    for (size_t i = 0; i < asset->images.size(); i++) {
        const GltfImage& image = asset->images[i];
        doc["images"][i]["uri"] = "data:" + image.mime + ";base64," +
                                  Base64Encode(image.bytes.data(), image.bytes.size());
    }
    return DumpJson(doc, 1) + "\n";
}

bool WriteGltfFile(const SkelModel* model, const char* path, float fps, const char* skmPath,
                   const char* skpPath, std::string* reason, std::vector<std::string>* warnings,
                   const SkinSearch* skins) {
    GltfFormat format = GltfFormatForPath(path);
    if (format == GLTF_FORMAT_NONE) {
        *reason = std::string("\"") + path + "\" does not end in .glb or .gltf";
        return false;
    }
    GltfAsset asset;
    if (!BuildGltf(model, fps, skmPath, skpPath, &asset, reason, skins)) return false;
    if (warnings) *warnings = asset.warnings;
    if (format == GLTF_FORMAT_GLB) {
        std::vector<unsigned char> file = EncodeGlb(&asset);
        if (file.size() > 0xFFFFFFFFu) {
            *reason = std::string("\"") + path + "\": the model is too large for one .glb file";
            return false;
        }
        return WriteFileAtomic(path, file.data(), file.size(), reason);
    }
    std::string text = EncodeGltfText(&asset);
    return WriteFileAtomic(path, text.data(), text.size(), reason);
}
