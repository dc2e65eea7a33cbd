// A command-line option scanner for single-letter options: "-a", grouped
// "-abc", an argument attached ("-ofile") or in the next word ("-o file"),
// and "--" to end the options. Arguments are never reordered: the first word
// that is not an option ends the scan.
//
// These names live in namespace exifkit and do not touch the C library's
// scanner of the same names.
#pragma once

#include "exifkit/export.h"

namespace exifkit {

// Index in argv of the next word to scan. Starts at 1.
EXIFKIT_API extern int optind;
// Non-zero (the default) prints error messages on standard error.
EXIFKIT_API extern int opterr;
// The option character last examined, also when it was not valid.
EXIFKIT_API extern int optopt;
// Set non-zero, together with optind, to restart scanning (for example on a
// new vector). The scanner clears it.
EXIFKIT_API extern int optreset;
// Argument of the last option that takes one; null after one that does not.
EXIFKIT_API extern char* optarg;
// Program name at the head of error messages. Null until the caller sets it;
// messages then use the base name of argv[0], or "exifkit" when there is none.
EXIFKIT_API extern const char* progname;

// Returns the next option character of argv, or -1 when the options are
// exhausted (optind then indexes the first operand).
//
// optstring lists the valid option characters; a character followed by ':'
// takes an argument. An unknown option or a missing argument returns '?'
// and, when opterr is set, prints
//   "<name>: illegal option -- <c>"  or  "<name>: option requires an argument -- <c>".
// A ':' at the start of optstring selects silent reporting: no messages, and
// ':' instead of '?' for a missing argument.
//
//   exifkit::progname = "tool";
//   for (int c; (c = exifkit::getopt(argc, argv, "vo:")) != -1;) {
//       switch (c) {
//       case 'v': verbose = true; break;
//       case 'o': output = exifkit::optarg; break;
//       default: return usage();
//       }
//   }
//   // operands: argv[exifkit::optind] .. argv[argc - 1]
EXIFKIT_API int getopt(int argc, char* const argv[], const char* optstring);

}  // namespace exifkit
