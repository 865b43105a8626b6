#include "document/UserColours.h"

#include <QCoreApplication>

namespace {

UserColours* theInstance = nullptr;

struct Definition {
  const char* name;  // the key name, and the text the shown name is translated from
  Qt::GlobalColor fallback;
};

constexpr Definition definitions[UserColours::Count] = {
    {QT_TRANSLATE_NOOP("UserColours", "Keep Mask"), Qt::green},
    {QT_TRANSLATE_NOOP("UserColours", "Delete Mask"), Qt::red},
    {QT_TRANSLATE_NOOP("UserColours", "Blend Mask"), Qt::blue},
    {QT_TRANSLATE_NOOP("UserColours", "Patch Protection"), Qt::white},
    {QT_TRANSLATE_NOOP("UserColours", "Patch or Forced Edge"), Qt::darkYellow},
    {QT_TRANSLATE_NOOP("UserColours", "Active Patch or Forced Edge"), Qt::yellow},
    {QT_TRANSLATE_NOOP("UserColours", "Color Workspace Highlight"), Qt::yellow},
};

}  // namespace

UserColours* UserColours::instance() {
  if (!theInstance) theInstance = new UserColours;
  return theInstance;
}

void UserColours::destroyInstance() {
  UserColours* colours = theInstance;
  theInstance = nullptr;
  delete colours;
}

UserColours::UserColours() {
  for (int i = 0; i < Count; ++i) {
    const Definition& d = definitions[i];
    colours_[i] = std::make_unique<GmColor>(QString::fromLatin1(d.name),
                                            QCoreApplication::translate("UserColours", d.name), 1,
                                            QColor(d.fallback));
  }
}
