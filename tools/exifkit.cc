// exifkit: prints the camera metadata of JPEG files.
//
//   exifkit [-j] [-g GROUPS] [-a] [-w] [-f] [-d] [-r] [-P N] [-p] [-h] [-V] FILE...
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "options.h"
#include "runner.h"

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
