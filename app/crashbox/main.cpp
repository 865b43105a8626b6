// zarvo-crashbox TITLE TEXT: the crash guard's message box, started by the crashing program when
// a display is in use (a crashing process cannot draw one itself). On a platform without a
// screen it prints the text instead.

#include <cstdio>

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zarvo-crashbox TITLE TEXT\n");
    return 2;
  }
  const QString title = QString::fromLocal8Bit(argv[1]);
  const QString text = QString::fromLocal8Bit(argv[2]);
  QApplication application(argc, argv);
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
    std::printf("%s\n", text.toLocal8Bit().constData());
    return 0;
  }
  QMessageBox::critical(nullptr, title, text, QMessageBox::Ok);
  return 0;
}
