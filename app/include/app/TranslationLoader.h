#pragma once

#include <map>
#include <memory>

#include <QString>
#include <QTranslator>

// The installed translators of the run: Qt's catalogue ("qt_" + language) and the program's
// ("all_" + language), each remembered under its language. Owned by the application object;
// deleting it removes and deletes every translator it installed. GUI thread.
class TranslationLoader {
 public:
  TranslationLoader();
  ~TranslationLoader();

  TranslationLoader(const TranslationLoader&) = delete;
  TranslationLoader& operator=(const TranslationLoader&) = delete;

  // The loader in force (the application object's), or null.
  static TranslationLoader* instance();

  // Loads and installs both catalogues of `language` from translationFolder(), logging each
  // attempt; true when the program's catalogue was installed.
  bool loadTranslations(const QString& language);
  // The system's language: "en" needs no catalogue (true at once); any other is loaded.
  bool loadSystemTranslations();

  bool hasQtTranslator(const QString& language) const { return qt_.count(language) != 0; }
  bool hasOwnTranslator(const QString& language) const { return own_.count(language) != 0; }

 private:
  bool load(const QString& prefix, const QString& language, const char* kind,
            std::map<QString, std::unique_ptr<QTranslator>>& into);

  std::map<QString, std::unique_ptr<QTranslator>> qt_;
  std::map<QString, std::unique_ptr<QTranslator>> own_;
};

// The language part of a locale name: trimmed, up to its first character that is not an ASCII
// letter ("de_DE" gives "de", "C" gives "C", "" gives "").
QString languageOfLocaleName(const QString& localeName);
// languageOfLocaleName of the system locale.
QString systemLanguage();
// The "TransDir" setting (passed to the translator unchanged, relative or not), else the
// program's folder.
QString translationFolder();
