#pragma once

#include <array>
#include <memory>

#include "document/GmColor.h"

// The seven user colours, each persisted under "Colors/" + its untranslated name. Made on first
// use, so their shown names are translated only if the translations are loaded by then: the
// shell makes them after loading translations, nothing makes them at static initialisation.
// Destroying them writes each colour back to the settings store. GUI thread.
class UserColours {
 public:
  // In the order the persistent options hold them.
  enum Colour {
    KeepMask,
    DeleteMask,
    BlendMask,
    PatchProtection,
    PatchOrForcedEdge,
    ActivePatchOrForcedEdge,
    ColorWorkspaceHighlight,
    Count
  };

  // The colours, made on first use; never null.
  static UserColours* instance();
  // Writes every colour back and deletes them; the next instance() reads them again.
  static void destroyInstance();

  GmColor* colour(Colour which) const { return colours_[which].get(); }

 private:
  UserColours();

  std::array<std::unique_ptr<GmColor>, Count> colours_;
};
