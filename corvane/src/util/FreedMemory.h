#pragma once

namespace corvane {

// Hands memory that the allocator holds free back to the system, where it can (glibc keeps
// what the engine's workers freed in their arenas). An analysis frees far more than it
// keeps; a mask generation that follows would otherwise stand on top of it. Costs a few
// milliseconds; does nothing where the allocator offers no such call.
void releaseFreedMemory();

}  // namespace corvane
