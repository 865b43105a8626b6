#pragma once

#include <QString>

class QCursor;
class QFrame;
class QWidget;

// Small functions of the tool option pages and their help texts. GUI thread.

// "<a href=\"url\">text</a>".
QString makeLink(const QString& url, const QString& text);
// "<p>" + a "Learn More" link to `helpPage` + "</p>"; empty without a page.
QString learnMoreTip(const QString& helpPage);
// A new widget whose vertical layout holds only a stretch.
QWidget* createEmptyOptionsWidget();
// A new raised vertical line (frame style 37).
QFrame* createSeparatorLine();
// A new cursor from the pixmap at `path` with its hot spot at (hotX, hotY); the caller owns it.
QCursor* makePixmapCursor(int hotX, int hotY, const QString& path);
