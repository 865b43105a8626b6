// Named parameters in a grid: rows, their widgets' places, lookups and the slider-box pair.

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>

#include "WorkspaceTestSupport.h"
#include "workspace/ParameterStack.h"

namespace {

// What sits at each grid position, by kind.
QStringList kindsAt(const ParameterStack& stack, const QList<int>& positions) {
  QStringList kinds;
  for (const int position : positions) {
    QWidget* widget = stack.gridLayout()->itemAt(position)->widget();
    kinds << (qobject_cast<QSlider*>(widget)    ? "slider"
              : qobject_cast<QSpinBox*>(widget) ? "spin"
              : qobject_cast<QLabel*>(widget)   ? "label"
                                                : "other");
  }
  return kinds;
}

int separators(const ParameterStack& stack) {
  int count = 0;
  for (QFrame* frame : stack.findChildren<QFrame*>())
    count += frame->frameShape() == QFrame::VLine || frame->frameShape() == QFrame::HLine;
  return count;
}

struct PlacementRow {
  const char* name;
  int mode;
  int flags;
  QStringList kinds;  // of the second row's widgets, as rowWidgets names them
};

class PlacementTest : public ::testing::TestWithParam<PlacementRow> {
 protected:
  void SetUp() override { QSettings().clear(); }
};

TEST_P(PlacementTest, RowWidgetsNameTheRowsOwnWidgets) {
  const PlacementRow& row = GetParam();
  ParameterStack stack(row.mode, row.flags);
  ASSERT_TRUE(stack.addParameter("a", "A", 0, 9, 1, QString()));
  ASSERT_TRUE(stack.addParameter("b", "B", 0, 9, 2, QString()));
  QList<int> positions;
  ASSERT_TRUE(stack.rowWidgets("b", &positions));
  EXPECT_EQ(kindsAt(stack, positions), row.kinds);
  // Every separator stands between rows, never before the first.
  EXPECT_EQ(separators(stack), row.flags & ParameterStack::NoSeparator ? 0 : 1);
  // A label no flag places belongs to the stack and stays hidden.
  const bool unplaced = row.kinds.size() < 3;
  for (QLabel* label : stack.findChildren<QLabel*>())
    EXPECT_EQ(label->isVisibleTo(&stack), !unplaced) << label->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Flags, PlacementTest,
    ::testing::Values(PlacementRow{"Between", 1, 8 + 256, {"slider", "label", "spin"}},
                      PlacementRow{"Above", 1, 4, {"label", "slider", "spin"}},
                      PlacementRow{"Below", 1, 16, {"slider", "spin", "label"}},
                      PlacementRow{"WideSeparator", 1, 2, {"slider", "spin"}},
                      PlacementRow{"Unplaced", 1, 0, {}},
                      PlacementRow{"NoSeparator", 1, 8 + 32, {"slider", "label", "spin"}},
                      PlacementRow{"VerticalBetween", 2, 8 + 64, {"slider", "label", "spin"}},
                      PlacementRow{"VerticalBelow", 2, 16 + 128, {"slider", "spin", "label"}},
                      PlacementRow{"HiddenBox", 1, 1 + 8, {"slider", "label", "spin"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterStackTest, ADuplicateOrUnknownNameChangesNothing) {
  QSettings().clear();
  ParameterStack stack(1, 8);
  ASSERT_TRUE(stack.addParameter("Strength", "Brush Strength", 0, 7, 3, QString()));
  const int items = stack.gridLayout()->count();
  EXPECT_FALSE(stack.addParameter("Strength", "Other", 0, 99, 50, QString()));
  EXPECT_EQ(stack.gridLayout()->count(), items);
  int value = -1;
  ASSERT_TRUE(stack.value("Strength", &value));
  EXPECT_EQ(value, 3);

  int untouched = 42;
  QList<int> positions{7};
  EXPECT_FALSE(stack.value("Nothing", &untouched));
  EXPECT_EQ(untouched, 42);
  EXPECT_FALSE(stack.setValue("Nothing", 1));
  EXPECT_FALSE(stack.setToolTips("Nothing", "t", "w"));
  EXPECT_FALSE(stack.rowWidgets("Nothing", &positions));
  EXPECT_EQ(positions, QList<int>{7});
}

TEST(ParameterStackTest, SliderAndBoxMoveTogetherAndTheReceiverHearsEachChangeOnce) {
  QSettings().clear();
  ParameterStack stack(1, 8);
  QSpinBox receiver;
  receiver.setRange(0, 100);
  QSignalSpy heard(&receiver, QOverload<int>::of(&QSpinBox::valueChanged));
  ASSERT_TRUE(stack.addParameter("Strength", "S", 0, 7, 0, "px", &receiver, SLOT(setValue(int))));
  auto* slider = stack.findChild<QSlider*>();
  auto* box = stack.findChild<QSpinBox*>();
  slider->setValue(5);
  EXPECT_EQ(box->value(), 5);
  EXPECT_EQ(receiver.value(), 5);
  EXPECT_EQ(heard.count(), 1);
  slider->setValue(5);
  EXPECT_EQ(heard.count(), 1);
  ASSERT_TRUE(stack.setValue("Strength", 99));  // clamped by the range
  EXPECT_EQ(slider->value(), 7);
  EXPECT_EQ(box->suffix(), "px");
  EXPECT_EQ(heard.count(), 2);
  ASSERT_TRUE(stack.setToolTips("Strength", "tip", "help"));
  EXPECT_EQ(slider->toolTip(), "tip");
  EXPECT_EQ(box->whatsThis(), "help");
}

}  // namespace
