#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QTimer>

#include "app/AppDialogs.h"
#include "app/AppDocumentHooks.h"
#include "document/GmColor.h"

namespace {

// The shell's colour choice is Qt's own colour dialog, titled after the colour it changes and
// starting at its current value; the dialog is found among the open windows and answered.
TEST(ColourDialog, TheApplicationsColourChoiceIsTheRealColourDialog) {
  struct Row {
    const char* name;
    bool accept;
    QColor result;
  };
  const Row rows[] = {{"accepted", true, QColor(Qt::blue)}, {"cancelled", false, QColor(Qt::red)}};
  for (const Row& row : rows) {
    WidgetAppDialogs dialogs;
    AppDialogs* previousDialogs = setAppDialogs(&dialogs);
    AppDocumentHooks hooks;
    DocumentUiHooks* previousHooks = setDocumentUiHooks(&hooks);

    QString title;
    QColor initial;
    QTimer answer;
    int polls = 0;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
      if (!dialog) {
        // Never wait for ever: whatever else is modal goes after a while.
        if (++polls > 2000 && QApplication::activeModalWidget())
          QApplication::activeModalWidget()->close();
        return;
      }
      answer.stop();
      title = dialog->windowTitle();
      initial = dialog->currentColor();
      dialog->setCurrentColor(Qt::blue);
      if (row.accept)
        dialog->accept();
      else
        dialog->reject();
    });
    answer.start(5);

    GmColor colour("Key", "Halo", 0, Qt::red);
    colour.changeColorSlot();
    EXPECT_EQ(title, "Select Halo color") << row.name;
    EXPECT_EQ(initial, QColor(Qt::red)) << row.name;
    EXPECT_EQ(colour.color(), row.result) << row.name;

    setDocumentUiHooks(previousHooks);
    setAppDialogs(previousDialogs);
  }
}

}  // namespace
