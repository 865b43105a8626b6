// The answer a box gives when the user just presses Enter, which the test host's self-answering
// dialogs give for every box.

#include <gtest/gtest.h>

#include "app/AppDialogs.h"

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

}  // namespace
