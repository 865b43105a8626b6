// Qt 5.15's PNG writer leaks its array of row pointers when its device fails in the middle of
// an image (libpng unwinds with longjmp past the delete). The final-image pipeline makes its
// PNG encoding stop that way on abort, on purpose, so the sanitizer build of these tests is told
// about Qt's leak; full stacks are needed for the suppression to see the writer's frame.
// Outside the sanitizer build nothing calls these.

extern "C" const char* __lsan_default_suppressions() { return "leak:QImageWriter::write\n"; }

extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
