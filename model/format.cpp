// The record layouts of SKM and SKP files and the cursors that read and
// write them, little-endian whatever the host. A record is checked for room
// once and then laid down word by word. No state.
#include "model/format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

void StoreName(unsigned char* at, const char* text, size_t length) {
    size_t n = text ? strnlen(text, length) : 0;
    if (n) memcpy(at, text, n);
    memset(at + n, 0, length - n);
}

} // namespace

void GetBytes(ByteReader* in, void* out, size_t length) {
    const unsigned char* at = TakeBytes(in, length);
    if (at)
        memcpy(out, at, length);
    else
        memset(out, 0, length);
}

void PutName(ByteWriter* out, const char* text, size_t length) {
    if (unsigned char* at = TakeRoom(out, length)) StoreName(at, text, length);
}

void GetSkmHeader(ByteReader* in, SkmHeader* header) {
    TakeBytes(in, sizeof SKM_IDENT);
    header->type = GetInt(in);
    header->filesize = GetInt(in);
    header->numbones = GetInt(in);
    header->nummeshes = GetInt(in);
    header->ofsmeshes = GetInt(in);
}

void PutSkmHeader(ByteWriter* out, const SkmHeader* header) {
    PutName(out, SKM_IDENT, sizeof SKM_IDENT);
    PutInt(out, header->type);
    PutInt(out, header->filesize);
    PutInt(out, header->numbones);
    PutInt(out, header->nummeshes);
    PutInt(out, header->ofsmeshes);
}

void GetSkpHeader(ByteReader* in, SkpHeader* header) {
    TakeBytes(in, sizeof SKM_IDENT);
    header->type = GetInt(in);
    header->filesize = GetInt(in);
    header->numbones = GetInt(in);
    header->numframes = GetInt(in);
    header->ofsbones = GetInt(in);
    header->ofsframes = GetInt(in);
}

void PutSkpHeader(ByteWriter* out, const SkpHeader* header) {
    PutName(out, SKM_IDENT, sizeof SKM_IDENT);
    PutInt(out, header->type);
    PutInt(out, header->filesize);
    PutInt(out, header->numbones);
    PutInt(out, header->numframes);
    PutInt(out, header->ofsbones);
    PutInt(out, header->ofsframes);
}

void GetMeshHeader(ByteReader* in, MeshHeader* header) {
    GetBytes(in, header->skinname, NAME_LEN);
    GetBytes(in, header->meshname, NAME_LEN);
    header->numverts = GetInt(in);
    header->numtris = GetInt(in);
    header->numreferences = GetInt(in);
    header->ofsverts = GetInt(in);
    header->ofstexcoords = GetInt(in);
    header->ofsindices = GetInt(in);
    header->ofsreferences = GetInt(in);
}

void PutMeshHeader(ByteWriter* out, const MeshHeader* header) {
    PutName(out, header->skinname, NAME_LEN);
    PutName(out, header->meshname, NAME_LEN);
    PutInt(out, header->numverts);
    PutInt(out, header->numtris);
    PutInt(out, header->numreferences);
    PutInt(out, header->ofsverts);
    PutInt(out, header->ofstexcoords);
    PutInt(out, header->ofsindices);
    PutInt(out, header->ofsreferences);
}

void GetBoneRecord(ByteReader* in, SkelBone* bone) {
    GetBytes(in, bone->name, NAME_LEN);
    bone->parent = GetInt(in);
    bone->flags = GetWord(in);
}

void PutBoneRecord(ByteWriter* out, const SkelBone* bone) {
    PutName(out, bone->name, NAME_LEN);
    PutInt(out, bone->parent);
    PutWord(out, bone->flags);
}

void GetFrameHeader(ByteReader* in, FrameHeader* header) {
    GetBytes(in, header->name, NAME_LEN);
    header->ofsposes = GetInt(in);
}

void PutFrameHeader(ByteWriter* out, const FrameHeader* header) {
    PutName(out, header->name, NAME_LEN);
    PutInt(out, header->ofsposes);
}

std::string FormatText(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) return std::string();
    if ((size_t)n < sizeof small) return std::string(small, (size_t)n);
    std::string big((size_t)n + 1, '\0');
    va_start(args, format);
    vsnprintf(&big[0], big.size(), format, args);
    va_end(args);
    big.resize((size_t)n);
    return big;
}
