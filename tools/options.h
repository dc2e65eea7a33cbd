// The command line of the exifkit command: its options, read with the
// library's getopt, and the usage, help and version texts.
#pragma once

#include <string>
#include <vector>

#include "exifkit/exifkit.h"

namespace exifkit::cli {

// The four groups in the order the library delivers them: the letter that
// selects one with -g and its heading in the text output.
struct group {
    int level;
    char letter;
    const char* heading;
};
inline constexpr group GROUPS[] = {
    {LVL_CAMERA, 'c', "Camera"},
    {LVL_IMAGE, 'i', "Image"},
    {LVL_VERBOSE, 'o', "Other"},
    {LVL_UNKNOWN, 'u', "Unsupported"},
};

struct options {
    bool json = false;        // -j or -J
    bool structured = false;  // -J
    bool thumbnail = false;   // -t
    bool warnings = false;
    bool frame = false;
    bool trace = false;
    bool recursive = false;
    bool progress = false;
    bool help = false;
    bool version = false;
    bool groupsgiven = false;
    unsigned workers = 1;
    int levels = 0;  // OR of the selected groups' levels
    std::vector<std::string> files;
};

// Reads the options into opt; false on a usage error, whose reason is
// already reported (the usage line is left to the caller).
bool parseoptions(int argc, char* argv[], options& opt);

// The usage line, on standard error.
void printusage();

// The usage line and the help text of -h, on standard output.
void printhelp();

// The version line of -V, on standard output.
void printversion();

}  // namespace exifkit::cli
