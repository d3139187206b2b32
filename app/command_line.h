// The viewer's own command-line arguments, taken out of argv before the rest
// goes to GLUT: boneloom [GLUT options] [--mesh] [MODEL].
#pragma once
#include <string>

struct ViewerCommandLine {
    bool help = false;               // --help or -h
    bool mesh = false;               // --mesh: the meshes shown from the start
    std::string model = "data/tris"; // MODEL as given: path/name, path/name.skm or .skp (any case)
    std::string skm = "data/tris.skm"; // the SKM file it names (the SKP file lies beside it)
    std::string error;                 // what is wrong when parsing fails
};

// Reads our arguments out of argv, shifting the rest down and lowering *argc,
// so argv keeps only what GLUT takes (its options and their values). False,
// with out->error set, on an unknown "--" option or more than one MODEL.
bool ParseViewerCommandLine(int* argc, char** argv, ViewerCommandLine* out);
