// Parsing of SKM and SKP files without side effects: a parse never prints and
// never exits. It returns a status, fills a model only on success, and hands
// back the exact console text the viewer prints for the same file, plus one
// clean line per problem found (for boneloom-tool check).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

enum LoadStatus {
    LOAD_OK = 0,
    LOAD_CANT_OPEN, // the file could not be opened (or is a directory)
    LOAD_EMPTY,     // the file holds no bytes
    LOAD_REFUSED,   // a part lies outside the file, a count is negative, the file shrank
                    // while read, or the model would not fit the memory budget
};

struct LoadReport {
    // Exactly what the viewer's reader prints, in order: headings, warnings
    // (some without a newline, as the viewer prints them) and the fatal line.
    std::string console;
    // One line per problem, without a trailing newline: every console warning,
    // the fatal line, and silent repairs such as names cut to 63 characters.
    std::vector<std::string> problems;
};

// Parses an SKM image of size bytes; path only names the file in messages.
// On LOAD_OK sets model's numbones (the SKM header's), nummeshes and meshes;
// on any other status model is left untouched. Appends to report.
LoadStatus ParseSKM(const unsigned char* data, size_t size, const char* path, SkelModel* model,
                    LoadReport* report);

// Parses an SKP image. On LOAD_OK replaces model's numbones and sets bones,
// numframes and frames; a bone whose parent is not an earlier bone draws one
// warning line. On any other status model is left untouched.
LoadStatus ParseSKP(const unsigned char* data, size_t size, const char* path, SkelModel* model,
                    LoadReport* report);

// Open and parse a file, with the viewer's "can't open" and "Empty data
// file" lines in the report on those failures. A directory cannot be opened;
// a FIFO without a writer reads as empty; a pipe or device is read whole up
// to MAX_FILESIZE bytes (refused past it), a regular file through a small
// window.
LoadStatus LoadSKMFile(const char* path, SkelModel* model, LoadReport* report);
LoadStatus LoadSKPFile(const char* path, SkelModel* model, LoadReport* report);

// Loads an SKM file, then an SKP file, as the viewer's start-up does (the
// SKP file is not read when the SKM file fails). The report's console then
// holds the same text the viewer prints for the pair.
LoadStatus LoadModelPair(const char* skmPath, const char* skpPath, SkelModel* model,
                         LoadReport* report);
