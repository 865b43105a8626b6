#pragma once

// Registers the composition's Qt resources (its pictures under ":zarvo/" and ":images/", with
// the workspace's, which its tools share). The library is static, so nothing registers them on
// its own: the application calls this once at start-up, before any composition widget or tool
// is built, and so does the composition's test set-up. Safe to call again. GUI thread.
void initCompositionResources();

class QIcon;
class QString;

// The icon of the resource at `path`, with the resources registered first.
QIcon compositionIcon(const QString& path);
