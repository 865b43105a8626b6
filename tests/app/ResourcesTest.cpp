// Every picture or file the shipped sources name as a resource (":/..." or ":<prefix>/..."
// literals) is in the program once every library's resources are registered: a missing icon,
// cursor or splash fails here, for every tool and window still to come.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QRegularExpression>
#include <QSet>

#include "app/AppResources.h"

namespace {

// The resource names in the sources of the libraries and the program: string literals that
// begin with ':' and a prefix and end in a file extension, whatever call they are written in.
QSet<QString> namedResources() {
  const QRegularExpression literal(QStringLiteral("\"(:[A-Za-z_]*/[^\"\\s]*\\.[A-Za-z]+)\""));
  QSet<QString> names;
  for (const char* folder : {"app", "base", "corvane", "document", "workspace", "composition"}) {
    QDirIterator files(QStringLiteral(ZARVO_SOURCE_DIR "/") + folder, {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
      QFile file(files.next());
      EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
      const QString text = QString::fromUtf8(file.readAll());
      for (auto match = literal.globalMatch(text); match.hasNext();)
        names.insert(match.next().captured(1));
    }
  }
  return names;
}

TEST(Resources, EveryNamedResourceIsThere) {
  initAppResources();
  const QSet<QString> names = namedResources();
  // The splash, the patch preview icon, and the pan and zoom tools' icons and cursors at least:
  // fewer means the search itself went wrong.
  EXPECT_GE(names.size(), 9);
  EXPECT_TRUE(names.contains(":/images/splash.png"));
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(QFile::exists(name));
    if (!QImageReader(name).format().isEmpty()) {
      EXPECT_FALSE(QPixmap(name).isNull());
    } else {
      QFile file(name);
      EXPECT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_GT(file.size(), 0);
    }
  }
}

}  // namespace
