#include "composition/PaperSize.h"

bool usesLetterPaper(const QLocale& locale) {
  return locale.country() == QLocale::Australia || locale.country() == QLocale::UnitedStates;
}
