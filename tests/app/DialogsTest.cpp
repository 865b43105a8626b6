// The answer a box gives when the user just presses Enter, which the test host's self-answering
// dialogs give for every box.

#include <gtest/gtest.h>

#include <functional>

#include <QDialog>

#include "support/AppTestSupport.h"
#include "app/AboutBox.h"
#include "app/AppDialogs.h"
#include "support/FakeAppDialogs.h"

namespace {

struct DefaultRow {
  const char* name;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton;
  QList<AppDialogs::Button> extras;
  QMessageBox::StandardButton standard;  // expected
  int extra;                             // expected
};

class DefaultAnswer : public ::testing::TestWithParam<DefaultRow> {};

TEST_P(DefaultAnswer, EnterGivesTheDefaultButton) {
  const DefaultRow& row = GetParam();
  AppDialogs::Message box;
  box.buttons = row.buttons;
  box.defaultButton = row.defaultButton;
  box.extraButtons = row.extras;
  const AppDialogs::Answer answer = AppDialogs::defaultAnswer(box);
  EXPECT_EQ(answer.standard, row.standard);
  EXPECT_EQ(answer.extra, row.extra);
}

const AppDialogs::Button kLater{"Later", QMessageBox::RejectRole};
const AppDialogs::Button kSend{"Send", QMessageBox::AcceptRole};
const AppDialogs::Button kKeep{"Keep", QMessageBox::YesRole};

INSTANTIATE_TEST_SUITE_P(Rows, DefaultAnswer,
                         ::testing::Values(DefaultRow{"ExplicitDefault",
                                                      QMessageBox::Save | QMessageBox::Discard,
                                                      QMessageBox::Discard,
                                                      {kSend},
                                                      QMessageBox::Discard,
                                                      -1},
                                           DefaultRow{"DefaultNotOnTheBoxIsIgnored",
                                                      QMessageBox::Ok,
                                                      QMessageBox::Yes,
                                                      {},
                                                      QMessageBox::Ok,
                                                      -1},
                                           DefaultRow{"FirstAcceptingExtraBeforeTheStandardOnes",
                                                      QMessageBox::Ok,
                                                      QMessageBox::NoButton,
                                                      {kLater, kSend, kKeep},
                                                      QMessageBox::NoButton,
                                                      1},
                                           DefaultRow{"YesRoleExtraAccepts",
                                                      QMessageBox::Cancel,
                                                      QMessageBox::NoButton,
                                                      {kLater, kKeep},
                                                      QMessageBox::NoButton,
                                                      1},
                                           DefaultRow{"AcceptingStandardWhenNoExtraAccepts",
                                                      QMessageBox::Cancel | QMessageBox::Save,
                                                      QMessageBox::NoButton,
                                                      {kLater},
                                                      QMessageBox::Save,
                                                      -1},
                                           DefaultRow{"NothingAccepts",
                                                      QMessageBox::Cancel | QMessageBox::No,
                                                      QMessageBox::NoButton,
                                                      {kLater},
                                                      QMessageBox::NoButton,
                                                      -1}),
                         [](const auto& info) { return std::string(info.param.name); });

// Each kind of box counts as open while it shows and not after: what appDialogs() opens while it
// has not answered, the modeless About box while it is visible.
struct CountedRow {
  const char* name;
  // Shows the box; `fake` runs its whileShown while the box shows.
  std::function<void(FakeAppDialogs& fake)> show;
};

class CountedBox : public ::testing::TestWithParam<CountedRow> {};

TEST_P(CountedBox, IsOpenWhileItShowsAndNotAfter) {
  FakeAppDialogs fake;
  bool openWhileShown = false;
  fake.whileShown = [&] { openWhileShown = appDialogOpen(); };
  ASSERT_FALSE(appDialogOpen());
  GetParam().show(fake);
  EXPECT_TRUE(openWhileShown);
  EXPECT_FALSE(appDialogOpen());
  releaseAboutBox();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CountedBox,
    ::testing::Values(
        CountedRow{"Message", [](FakeAppDialogs&) { appDialogs().warn(nullptr, "Title", "Text"); }},
        CountedRow{"OpenFile",
                   [](FakeAppDialogs&) {
                     appDialogs().openFileName(nullptr, "Open", QString(), QString(), nullptr);
                   }},
        CountedRow{"SaveFile",
                   [](FakeAppDialogs&) {
                     appDialogs().saveFileName(nullptr, "Save", QString(), QString(), nullptr);
                   }},
        CountedRow{"ModalDialog",
                   [](FakeAppDialogs&) {
                     QDialog box;
                     appDialogs().execModal(box);
                   }},
        CountedRow{"Colour",
                   [](FakeAppDialogs&) { appDialogs().chooseColour(nullptr, Qt::red, "Colour"); }},
        CountedRow{"ModelessAboutBox",
                   [](FakeAppDialogs& fake) {
                     aboutBox();
                     QWidget* box = visibleWindowTitled("About Zarvo");
                     ASSERT_NE(box, nullptr);
                     fake.whileShown();
                     box->close();
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
