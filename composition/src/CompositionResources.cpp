#include "composition/CompositionResources.h"

#include <QtGlobal>

void initCompositionResources() {
  Q_INIT_RESOURCE(composition);
}
