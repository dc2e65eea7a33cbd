#include "exifkit/getopt.h"

#include <cstdio>
#include <cstring>

namespace exifkit {

int optind = 1;
int opterr = 1;
int optopt = 0;
int optreset = 0;
char* optarg = nullptr;
const char* progname = nullptr;

namespace {

char empty[] = "";

// Next option character within the current word; empty between words.
char* place = empty;

// The name that heads error messages when the caller set none.
const char* programname(int argc, char* const argv[])
{
    if (progname != nullptr)
        return progname;
    if (argc < 1 || argv[0] == nullptr)
        return "exifkit";
    const char* slash = std::strrchr(argv[0], '/');
    const char* base = slash != nullptr ? slash + 1 : argv[0];
    return *base != '\0' ? base : "exifkit";
}

// Moves to the word at optind. Returns false when the options end there:
// no word is left, the word is an operand, or it is "--" (which is consumed).
// A longer word that begins with "--" is left in place as the first operand.
bool startword(int argc, char* const argv[])
{
    optreset = 0;
    if (optind < 0 || optind >= argc || argv[optind] == nullptr || argv[optind][0] != '-') {
        place = empty;
        return false;
    }
    place = argv[optind];
    if (place[1] == '\0')
        return true;
    ++place;
    if (place[0] == '-' && place[1] == '\0') {
        ++optind;
        place = empty;
        return false;
    }
    return true;
}

// Option characters are returned as unsigned char values, so that a byte 0xFF
// cannot be mistaken for the end of the options.
int asresult(char c)
{
    return static_cast<unsigned char>(c);
}

void endwordifdone()
{
    if (*place == '\0')
        ++optind;
}

int unknownoption(int argc, char* const argv[], const char* optstring, char c)
{
    if (c == '-') {
        place = empty;
        return -1;
    }
    endwordifdone();
    if (opterr != 0 && *optstring != ':' && c != '?')
        std::fprintf(stderr, "%s: illegal option -- %c\n", programname(argc, argv), c);
    return '?';
}

int optionwithargument(int argc, char* const argv[], const char* optstring, char c)
{
    if (*place != '\0') {
        optarg = place;
    } else if (++optind >= argc) {
        place = empty;
        if (*optstring == ':')
            return ':';
        if (opterr != 0)
            std::fprintf(stderr, "%s: option requires an argument -- %c\n",
                         programname(argc, argv), c);
        return '?';
    } else {
        optarg = argv[optind];
    }
    place = empty;
    ++optind;
    return asresult(c);
}

}  // namespace

int getopt(int argc, char* const argv[], const char* optstring)
{
    if ((optreset != 0 || *place == '\0') && !startword(argc, argv))
        return -1;

    const char c = *place++;
    optopt = static_cast<signed char>(c);
    const char* entry = c == ':' ? nullptr : std::strchr(optstring, c);
    if (entry == nullptr)
        return unknownoption(argc, argv, optstring, c);

    if (entry[1] != ':') {
        optarg = nullptr;
        endwordifdone();
        return asresult(c);
    }
    return optionwithargument(argc, argv, optstring, c);
}

}  // namespace exifkit
