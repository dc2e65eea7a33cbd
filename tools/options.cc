#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "exifkit/getopt.h"

namespace exifkit::cli {
namespace {

constexpr const char* USAGE = "usage: exifkit [-j] [-J] [-t] [-g GROUPS] [-a] [-w] [-f] [-d] [-r] [-P N] [-p] [-h] [-V] FILE...";

constexpr const char* HELP =
    "Prints the camera metadata (Exif) of photo files: JPEG, TIFF and raw files,\n"
    "HEIF/HEIC, AVIF, CR3, PNG, WebP and JPEG XL, told apart by their content.\n"
    "\n"
    "  -j         one line of JSON per file, with every property, warning, error\n"
    "             and the frame size (-g, -a, -w and -f then do not apply)\n"
    "  -J         one JSON object per line and file, structured: the format, a\n"
    "             summary (camera, lens, dates, exposure, size, GPS position), and\n"
    "             every property with its directory, tag, key, text and typed value\n"
    "  -t         write the embedded thumbnail (a JPEG) of one FILE to standard\n"
    "             output, which must not be a terminal\n"
    "  -g GROUPS  groups to print, any of: c camera, i image, o other, u unsupported\n"
    "             (default ci)\n"
    "  -a         print all four groups\n"
    "  -w         print the warnings of each file on standard error, and with\n"
    "             more than one file a summary at the end\n"
    "  -f         print the size of the JPEG frame (of other formats: the image size\n"
    "             their container gives)\n"
    "  -d         turn on the library's trace output (reads one file at a time;\n"
    "             on standard error with -j)\n"
    "  -r         read the photo files (.jpg, .tif, .dng, .cr2, .cr3, .nef, .arw,\n"
    "             .heic, .avif, .png, .webp, .jxl and the other raw files) in directories,\n"
    "             recursively, in sorted order; links to directories are not followed,\n"
    "             and what is not a regular file is reported and skipped\n"
    "  -P N       read with N threads (default 1); the output stays in order\n"
    "  -p         show progress on standard error when it is a terminal\n"
    "  -h         print this help and exit\n"
    "  -V         print the version and exit\n"
    "\n"
    "FILE - reads standard input. Control characters in the text output show as \\xHH.\n"
    "Exit status: 0 when every file had Exif data, 1 otherwise, 2 on a usage error.\n";

const group* grouplettered(char letter)
{
    for (const group& g : GROUPS)
        if (g.letter == letter)
            return &g;
    return nullptr;
}

// Adds the groups named by the letters; false on a letter that names none.
bool selectgroups(options& opt, std::string_view letters)
{
    if (letters.empty()) {
        std::fprintf(stderr, "exifkit: no group given to -g\n");
        return false;
    }
    for (char c : letters) {
        const group* found = grouplettered(c);
        if (!found) {
            std::fprintf(stderr, "exifkit: unknown group -- %c\n", c);
            return false;
        }
        opt.levels |= found->level;
    }
    opt.groupsgiven = true;
    return true;
}

void selectall(options& opt)
{
    for (const group& g : GROUPS)
        opt.levels |= g.level;
    opt.groupsgiven = true;
}

// The thread count of -P: a whole number from 1 to MAX_WORKERS.
bool readworkers(options& opt, const char* text)
{
    constexpr long MAX_WORKERS = 256;
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 10);
    if (errno || end == text || *end || n < 1 || n > MAX_WORKERS) {
        std::fprintf(stderr, "exifkit: invalid thread count -- %s\n", text);
        return false;
    }
    opt.workers = static_cast<unsigned>(n);
    return true;
}

}  // namespace

bool parseoptions(int argc, char* argv[], options& opt)
{
    progname = "exifkit";
    for (int c; (c = getopt(argc, argv, "jJtg:awfdrP:phV")) != -1;) {
        switch (c) {
        case 'j': opt.json = true; break;
        case 'J': opt.json = opt.structured = true; break;
        case 't': opt.thumbnail = true; break;
        case 'g':
            if (!selectgroups(opt, optarg))
                return false;
            break;
        case 'a': selectall(opt); break;
        case 'w': opt.warnings = true; break;
        case 'f': opt.frame = true; break;
        case 'd': opt.trace = true; break;
        case 'r': opt.recursive = true; break;
        case 'P':
            if (!readworkers(opt, optarg))
                return false;
            break;
        case 'p': opt.progress = true; break;
        case 'h': opt.help = true; break;
        case 'V': opt.version = true; break;
        default: return false;
        }
    }
    if (!opt.groupsgiven)
        opt.levels = LVL_CAMERA | LVL_IMAGE;
    for (int i = optind; i < argc; ++i)
        opt.files.push_back(argv[i]);
    return true;
}

void printusage()
{
    std::fprintf(stderr, "%s\n", USAGE);
}

void printhelp()
{
    std::printf("%s\n\n%s", USAGE, HELP);
}

void printversion()
{
    std::printf("exifkit %s\n", EXIFKIT_VERSION);
}

}  // namespace exifkit::cli
