#include "util/FreedMemory.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CORVANE_OWN_ALLOCATOR 1
#endif

// Under AddressSanitizer every allocation goes to the sanitizer's allocator; glibc's heap then
// holds nothing to give back, and its trim walks arenas that were never set up on the workers.
#if defined(__GLIBC__) && !defined(CORVANE_OWN_ALLOCATOR)
#define CORVANE_TRIM_GLIBC_HEAP 1
#include <malloc.h>
#endif

namespace corvane {

void releaseFreedMemory() {
#if defined(CORVANE_TRIM_GLIBC_HEAP)
  malloc_trim(0);
#endif
}

}  // namespace corvane
