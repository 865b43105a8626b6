#pragma once

// Debian's Blitz++ ships the configuration it detected with GCC only; clang builds (the fuzz
// harnesses) take the same one, which holds nothing GCC-specific.
#include <blitz/gnu/bzconfig.h>
