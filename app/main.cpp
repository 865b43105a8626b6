// The program: the real dialogs, then the guarded entry.

#include "app/AppDialogs.h"
#include "app/AppMain.h"

int main(int argc, char** argv) {
  WidgetAppDialogs dialogs;
  setAppDialogs(&dialogs);
  return runGuarded(argc, argv);
}
