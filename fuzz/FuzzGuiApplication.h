#pragma once

#include <QGuiApplication>

#include "document/DocumentMetaTypes.h"

// The GUI application a harness over the document's state needs (its bitmaps and images are
// pixmaps): made on the first call, offscreen unless a platform is set, silent, with the
// document's types registered; it lives for the run.
inline void ensureFuzzGuiApplication() {
  static QGuiApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zarvo_fuzz";
    static char* argv[] = {name, nullptr};
    auto* app = new QGuiApplication(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    registerDocumentMetaTypes();
    return app;
  }();
  Q_UNUSED(application);
}
