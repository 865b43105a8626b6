#pragma once

#include <QLocale>

// True where Letter is the usual paper (Australia and the United States), else A4 is.
bool usesLetterPaper(const QLocale& locale = QLocale::system());
