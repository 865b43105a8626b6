#pragma once

// Registers the composition's Qt resources (its pictures under ":zarvo/"). The library is
// static, so nothing registers them on its own: the application calls this once at start-up,
// before any composition widget or tool is built. Safe to call again.
void initCompositionResources();
