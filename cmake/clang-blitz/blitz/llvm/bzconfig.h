// Debian's Blitz++ ships only the configuration its GNU build wrote, which holds for clang on
// the same system; clang builds (the fuzz build) find it through this file.
#include <blitz/gnu/bzconfig.h>
