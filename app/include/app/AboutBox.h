#pragma once

#include <QPixmap>
#include <QString>

class QDialog;
class QWidget;

// The About box: the distributor's logo (200 pixels wide at most; the information icon without
// one) and About text, the product's name, version and build, the rights and the dedication, and
// an "OK" button. Its size is fixed; the standard Close keys close it. GUI thread.

// The picture the box shows for a distributor's logo: the logo, scaled to 200 pixels wide when
// it is wider; the information icon when it is null.
QPixmap aboutBoxLogo(const QPixmap& distributorLogo);
// The box's text, the distributor's About text (when not empty) first.
QString aboutBoxHtml(const QString& distributorText);

// A new box, owned by the caller.
QDialog* buildAboutBox(QWidget* parent = nullptr);
// Shows the one box of the run without blocking (raised and activated when it already exists).
// A box made for `window` (borrowed, may be null) is its child: it goes when the window goes and
// keeps no run alive after it. While it shows it counts as an open box (appDialogOpen()).
void aboutBox(QWidget* window = nullptr);
// The "--about" command line: makes the application object, runs the box modally through
// AppDialogs, then deletes both. `argc` must outlive the call. Returns the exit code, 0.
int runAboutBoxCommandLine(int& argc, char** argv);
// Deletes the run's box if one exists (at teardown).
void releaseAboutBox();
