#pragma once

// Registers the workspace's icons and cursors (":/images/...") and its meta-types (the view
// tab, GRectF). The workspace's own constructors call it; the shell calls it at start-up.
// Idempotent; GUI thread.
void initWorkspaceResources();

class QIcon;
class QString;

// The icon of the resource at `path`, with the resources registered first.
QIcon resourceIcon(const QString& path);
