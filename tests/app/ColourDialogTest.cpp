#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QTimer>

#include "app/AppDialogs.h"
#include "app/AppDocumentHooks.h"
#include "document/GmColor.h"

namespace {

// The shell's colour choice is Qt's own colour dialog, titled after the colour it changes and
// starting at its current value; the test finds it as the modal window and answers it.
TEST(ColourDialog, TheApplicationsColourChoiceIsTheRealColourDialog) {
  WidgetAppDialogs dialogs;
  AppDialogs* previousDialogs = setAppDialogs(&dialogs);
  AppDocumentHooks hooks;
  DocumentUiHooks* previousHooks = setDocumentUiHooks(&hooks);
  for (const bool accept : {true, false}) {
    QString title;
    QColor initial;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      answer.stop();
      title = dialog->windowTitle();
      initial = dialog->currentColor();
      dialog->setCurrentColor(Qt::blue);
      accept ? dialog->accept() : dialog->reject();
    });
    answer.start(5);
    GmColor colour("Key", "Halo", 0, Qt::red);
    colour.changeColorSlot();
    EXPECT_EQ(title, "Select Halo color");
    EXPECT_EQ(initial, QColor(Qt::red));
    EXPECT_EQ(colour.color(), accept ? QColor(Qt::blue) : QColor(Qt::red));
  }
  setDocumentUiHooks(previousHooks);
  setAppDialogs(previousDialogs);
}

}  // namespace
