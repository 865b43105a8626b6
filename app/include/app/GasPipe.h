#pragma once

#include <map>
#include <memory>
#include <stdexcept>

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>

// The text of an unreadable control file: "Unable to open XML control file: " + its path.
class ControlFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A host's XML control file (".otsx"), read when the platform asks the program to open one: the
// paths of an input and an output image (attribute "src" of the elements with the ids "imageIn"
// and "imageOut", relative to the file's folder) and a configuration text (the element "config").
// The values land in pipeImageInPath, pipeImageOutPath and pipeConfig; nothing acts on them yet.
// Each pipe indexes its own document. GUI thread.
class GasPipe {
 public:
  // A pipe for `path`, made the current one (replacing and deleting the previous one).
  static GasPipe* create(const QString& path);
  // The current pipe, or null.
  static GasPipe* current();
  // Deletes the current pipe.
  static void release();

  // Reads the current pipe's file: false when it does not parse (the values keep theirs).
  // Throws ControlFileError when the file cannot be opened. False without a current pipe.
  static bool load();

  // Parses `bytes` as this pipe's document and, when it parses, sets the three values with
  // `folder` as the base of the paths. False when it does not parse or nests deeper than
  // kMaxXmlDepth.
  bool read(const QByteArray& bytes, const QString& folder);

  // The last element in document order with this "id", or a null element.
  QDomElement elementById(const QString& id);
  // That element's attribute, empty when either is missing.
  QString attributeOf(const QString& id, const QString& attributeName);

  const QString& path() const { return path_; }

 private:
  explicit GasPipe(const QString& path);
  void buildIndex();

  QString path_;
  QDomDocument document_;
  std::map<QString, QDomElement> elementsById_;
  bool indexed_ = false;
};

// What the last control file that parsed said; empty until then.
extern QString pipeImageInPath;
extern QString pipeImageOutPath;
extern QString pipeConfig;
