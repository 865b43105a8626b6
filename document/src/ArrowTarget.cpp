#include "document/ArrowTarget.h"

#include "document/UserColours.h"

QColor ArrowTarget::outlineColour() const {
  return UserColours::instance()
      ->colour(isActive() ? UserColours::ActivePatchOrForcedEdge : UserColours::PatchOrForcedEdge)
      ->color();
}
