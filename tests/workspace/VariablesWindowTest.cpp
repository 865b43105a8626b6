// The tuning variables window: rows from the document's copy of the engine's variables, marks
// for edited rows, and applying through commands followed by an analysis.

#include <cmath>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "WorkspaceTestSupport.h"
#include "document/TuningVariableTable.h"
#include "workspace/VariablesWindow.h"

namespace {

class VariablesWindowTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    openPhoto();
    QObject::connect(thread.get(), &CorvaneThread::commandFinished, &receiver,
                     [this](CorvaneCommand* command) { commands << command->description(); });
    window = std::make_unique<VariablesWindow>();
  }
  void TearDown() override {
    window.reset();
    WorkspaceTest::TearDown();
  }
  int rowOf(const QString& name) const {
    for (int i = 0; i < window->rowCount(); ++i)
      if (window->rowName(i) == name) return i;
    ADD_FAILURE() << "no row " << name.toStdString();
    return 0;
  }
  // As typing does.
  void type(int row, const QString& text) {
    window->rowEdit(row)->setText(text);
    emit window->rowEdit(row)->textEdited(text);
  }
  QString marker(int row) const { return window->rowMarker(row)->text(); }

  QObject receiver;
  QStringList commands;
  std::unique_ptr<VariablesWindow> window;
};

TEST_F(VariablesWindowTest, RowsShowTheEnginesVariablesUnmarked) {
  const QVector<TuningVariableTable::Variable>& variables = model->tuningVariables()->variables();
  ASSERT_GT(variables.size(), 4);
  ASSERT_EQ(window->rowCount(), variables.size());
  for (int i = 0; i < variables.size(); ++i) {
    EXPECT_EQ(window->rowName(i), variables[i].name);
    EXPECT_NEAR(window->rowEdit(i)->text().toFloat(), variables[i].proportion, 1e-5) << i;
    EXPECT_EQ(window->rowValue(i)->text(), variables[i].text) << i;
  }
  EXPECT_FALSE(window->analyseButton()->isEnabled());
}

struct MarkRow {
  const char* name;
  const char* text;
  const char* mark;
};

class MarkTest : public VariablesWindowTest, public ::testing::WithParamInterface<MarkRow> {};

TEST_P(MarkTest, EditsAreMarkedAndOnlyAProportionEnablesAnalyse) {
  const MarkRow& row = GetParam();
  const bool valid = std::string(row.mark) == "*";
  type(1, QString::fromUtf8(row.text));
  EXPECT_EQ(marker(1), row.mark);
  EXPECT_EQ(window->analyseButton()->isEnabled(), valid);
  // A bad row later leaves the button as it was.
  type(2, "2");
  EXPECT_EQ(marker(2), "!");
  EXPECT_EQ(window->analyseButton()->isEnabled(), valid);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MarkTest,
    ::testing::Values(MarkRow{"Proportion", "0.25", "*"}, MarkRow{"One", "1", "*"},
                      MarkRow{"AboveOne", "1.5", "!"}, MarkRow{"Negative", "-0.1", "!"},
                      MarkRow{"Empty", "", "!"}, MarkRow{"NoNumber", "abc", "!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VariablesWindowTest, AnalyseSendsEveryValidRowThenAnalysesAndTheEngineAnswers) {
  const int sent = rowOf("featureTol");
  const int refused = rowOf("focus");
  type(sent, "0.25");
  type(refused, "7");
  commands.clear();
  window->analyseButton()->click();
  EXPECT_FALSE(window->analyseButton()->isEnabled());
  waitIdle();
  ASSERT_EQ(commands.size(), window->rowCount());
  for (int i = 0; i + 1 < commands.size(); ++i)
    EXPECT_TRUE(commands[i].startsWith("Setting Variable ")) << commands[i].toStdString();
  EXPECT_FALSE(commands.contains("Setting Variable focus"));
  EXPECT_EQ(commands.last(), "Finding Edges in Image...");

  const TuningVariableTable::Variable* answer = model->tuningVariables()->find("featureTol");
  ASSERT_NE(answer, nullptr);
  EXPECT_NEAR(answer->proportion, 0.25, 0.02);
  EXPECT_NEAR(window->rowEdit(sent)->text().toFloat(), answer->proportion, 1e-5);
  EXPECT_EQ(marker(sent), " ");
  EXPECT_EQ(marker(refused), "!");
  EXPECT_EQ(window->rowEdit(refused)->text(), "7");
}

TEST_F(VariablesWindowTest, ApplyingUnchangedRowsStillSendsEveryOneAndAnalyses) {
  commands.clear();
  window->analyseSlot();
  waitIdle();
  EXPECT_EQ(commands.size(), window->rowCount() + 1);
  EXPECT_EQ(commands.last(), "Finding Edges in Image...");
}

}  // namespace
