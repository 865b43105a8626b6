#include "app/TranslationLoader.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

#include "app/Flogger.h"
#include "kestrum/qt/AppPaths.h"

namespace {
TranslationLoader* theLoader = nullptr;
}  // namespace

QString languageOfLocaleName(const QString& localeName) {
  const QString name = localeName.trimmed();
  static const QRegularExpression notALetter(QStringLiteral("[^a-zA-Z]"));
  const int cut = int(name.indexOf(notALetter));
  return cut < 0 ? name : name.left(cut);
}

QString systemLanguage() {
  return languageOfLocaleName(QLocale::system().name());
}

QString translationFolder() {
  const QString folder = QSettings().value(QStringLiteral("TransDir")).toString();
  return folder.isEmpty() ? kestrum::appDirPath(QStringLiteral(".")) : folder;
}

TranslationLoader::TranslationLoader() {
  theLoader = this;
}

TranslationLoader::~TranslationLoader() {
  for (auto* map : {&qt_, &own_}) {
    for (auto& entry : *map) QCoreApplication::removeTranslator(entry.second.get());
    map->clear();
  }
  if (theLoader == this) theLoader = nullptr;
}

TranslationLoader* TranslationLoader::instance() {
  return theLoader;
}

bool TranslationLoader::load(const QString& prefix, const QString& language, const char* kind,
                             std::map<QString, std::unique_ptr<QTranslator>>& into) {
  const QString folder = translationFolder();
  const QString file = prefix + language;
  auto translator = std::make_unique<QTranslator>();
  const bool loaded = translator->load(file, folder);
  if (loaded) {
    QCoreApplication::installTranslator(translator.get());
    auto& slot = into[language];
    if (slot) QCoreApplication::removeTranslator(slot.get());  // a second load replaces it
    slot = std::move(translator);
  }
  flog() << "Loading " << kind << " translation file " << folder << "/" << file << " - "
         << (loaded ? "ok" : "failed") << ".";
  flogEndl();
  return loaded;
}

bool TranslationLoader::loadTranslations(const QString& language) {
  load(QStringLiteral("qt_"), language, "Qt", qt_);
  return load(QStringLiteral("all_"), language, "our", own_);
}

bool TranslationLoader::loadSystemTranslations() {
  const QString language = systemLanguage();
  flog() << "Your active language is [" << language << "]";
  flogEndl();
  if (language == QLatin1String("en")) return true;
  return loadTranslations(language);
}
