// Compiled at configure time with only the include folders that corvane hands its users.
#ifdef PROBE_public
#include "Corvane.h"
#else
#include "engine/CvInSession.h"
#endif

int main() {
  return 0;
}
