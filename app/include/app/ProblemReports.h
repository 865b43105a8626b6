#pragma once

#include <QString>

class QWidget;

// After a run that left crash dumps in the log folder: moves the earliest dump and its log into
// the report folder "Event" (emptied first: it holds only the latest report), deletes the other
// dumps, and tells the user where the files are in an information box over `parent`. Returns
// the report folder's canonical path, or empty when there was nothing to report or the report
// folder could not be made (then nothing is moved or deleted). GUI thread.
QString checkProblemReports(QWidget* parent);
