#include "document/CorvaneEntryPoints.h"

CorvaneEntryPoints& corvaneEntryPoints() {
  static CorvaneEntryPoints table;
  return table;
}
