// exifkit: prints the camera metadata of JPEG files.
//
//   exifkit [-j] [-J] [-t] [-g GROUPS] [-a] [-w] [-f] [-d] [-r] [-P N] [-p] [-h] [-V] FILE...
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <vector>

#include "options.h"
#include "runner.h"
#include "textout.h"
#include "walk.h"

namespace exifkit::cli {
namespace {

constexpr int EXIT_ALLREAD = 0;
constexpr int EXIT_SOMEFAILED = 1;
constexpr int EXIT_USAGE = 2;

// Flushes standard output; a failed write (a full disk, a closed pipe) fails the run.
bool flushoutput()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::fprintf(stderr, "exifkit: write error: %s\n", std::strerror(errno));
    return false;
}

int usageerror()
{
    printusage();
    return EXIT_USAGE;
}

// -t: the thumbnail of one file, as it stands in the file, on standard
// output. Never to a terminal: the bytes of a file could drive it.
bool writethumbnail(const std::string& path)
{
    if (isatty(STDOUT_FILENO)) {
        std::fprintf(stderr, "exifkit: not writing a thumbnail to a terminal\n");
        return false;
    }
    int oserror = 0;
    const std::vector<std::uint8_t> jpeg = path == "-" ? thumbnail(stdin, &oserror) : thumbnail(path.c_str(), &oserror);
    if (jpeg.empty()) {
        std::string err;
        const input in{path, inputkind::file, oserror};
        appendfailure(err, path, oserror ? refusaltext(in, oserror) : "no thumbnail");
        std::fputs(err.c_str(), stderr);
        return false;
    }
    return std::fwrite(jpeg.data(), 1, jpeg.size(), stdout) == jpeg.size();
}

// -t reads one file and writes nothing else.
bool thumbnailusage(const options& opt)
{
    if (opt.files.size() == 1 && !opt.json && !opt.recursive)
        return true;
    std::fprintf(stderr, "exifkit: -t takes one file, without -j, -J or -r\n");
    return false;
}

int run(int argc, char* argv[])
{
    options opt;
    if (!parseoptions(argc, argv, opt))
        return usageerror();
    if (opt.help || opt.version) {
        if (opt.help)
            printhelp();
        else
            printversion();
        return flushoutput() ? EXIT_ALLREAD : EXIT_SOMEFAILED;
    }
    if (opt.files.empty()) {
        std::fprintf(stderr, "exifkit: no file given\n");
        return usageerror();
    }
    if (opt.thumbnail) {
        if (!thumbnailusage(opt))
            return usageerror();
        const bool written = writethumbnail(opt.files.front());
        return flushoutput() && written ? EXIT_ALLREAD : EXIT_SOMEFAILED;
    }
    // Output goes out in large pieces; a terminal still sees each line.
    static char outbuf[1 << 16];
    if (!isatty(STDOUT_FILENO))
        std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);
    const bool allread = processfiles(opt);
    const bool written = flushoutput();
    return allread && written ? EXIT_ALLREAD : EXIT_SOMEFAILED;
}

}  // namespace
}  // namespace exifkit::cli

int main(int argc, char* argv[])
{
    return exifkit::cli::run(argc, argv);
}
