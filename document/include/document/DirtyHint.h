#pragma once

#include <QMetaType>

// How far a view grows a dirty image rectangle before repainting it: not at all, by 2 pixels
// for thin outlines (rubber bands), by 4.5 pixels for outlines with handle squares.
enum class DirtyHint : int { Exact = 0, Outline = 1, Handles = 2 };

// Whether a repaint should first drop the patch preview (Yes) or keep it.
enum class PatchPreviewWanted : int { No = 0, Yes = 1 };

Q_DECLARE_METATYPE(DirtyHint)
Q_DECLARE_METATYPE(PatchPreviewWanted)
