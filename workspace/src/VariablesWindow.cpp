#include "workspace/VariablesWindow.h"

#include <QDoubleValidator>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/CorvaneThread.h"
#include "document/CvCmdAnalyseImage.h"
#include "document/CvCmdSetVariable.h"
#include "document/GmModel.h"
#include "document/TuningVariableTable.h"

namespace {

const QString unmarked = QStringLiteral(" ");

bool acceptable(const QLineEdit* edit) {
  QString text = edit->text();
  int position = 0;
  return edit->validator() && edit->validator()->validate(text, position) == QValidator::Acceptable;
}

}  // namespace

VariablesWindow::VariablesWindow(QWidget* parent)
    : QWidget(parent), grid_(new QGridLayout), analyse_(new QPushButton(tr("Analyse"), this)) {
  setWindowTitle(tr("Variables"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid_);
  layout->addWidget(analyse_, 0, Qt::AlignRight);
  layout->addStretch(1);
  analyse_->setEnabled(false);
  connect(analyse_, &QPushButton::clicked, this, &VariablesWindow::analyseSlot);
  GmModel* model = GmModel::instance();
  connect(model, &GmModel::cvVariableChanged, this, &VariablesWindow::variableChangedSlot);
  connect(model->tuningVariables(), &TuningVariableTable::changed, this,
          &VariablesWindow::tableChangedSlot);
  rebuildRows();
}

QString VariablesWindow::rowName(int row) const {
  return rows_.value(row).name;
}
QLineEdit* VariablesWindow::rowEdit(int row) const {
  return rows_.value(row).edit;
}
QLabel* VariablesWindow::rowMarker(int row) const {
  return rows_.value(row).marker;
}
QLabel* VariablesWindow::rowValue(int row) const {
  return rows_.value(row).value;
}

void VariablesWindow::rebuildRows() {
  while (QLayoutItem* item = grid_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  rows_.clear();
  const QVector<TuningVariableTable::Variable>& variables =
      GmModel::instance()->tuningVariables()->variables();
  for (int i = 0; i < variables.size(); ++i) {
    Row row;
    row.name = variables.at(i).name;
    row.edit = new QLineEdit(this);
    // Wide enough for every value the row shows: "g" gives six significant digits, in
    // scientific form below 1e-4.
    auto* validator = new QDoubleValidator(0.0, 1.0, 12, row.edit);
    validator->setNotation(QDoubleValidator::ScientificNotation);
    validator->setLocale(QLocale::c());
    row.edit->setValidator(validator);
    row.marker = new QLabel(unmarked, this);
    row.value = new QLabel(this);
    grid_->addWidget(new QLabel(row.name, this), i, 0);
    grid_->addWidget(row.edit, i, 1);
    grid_->addWidget(row.marker, i, 2);
    grid_->addWidget(row.value, i, 3);
    connect(row.edit, &QLineEdit::textEdited, this, [this, i] { variableEditedSlot(i); });
    rows_ << row;
    showRow(row);
  }
}

void VariablesWindow::showRow(const Row& row) {
  const TuningVariableTable::Variable* variable =
      GmModel::instance()->tuningVariables()->find(row.name);
  if (!variable || !row.edit) return;
  row.edit->setText(QStringLiteral("%1").arg(double(variable->proportion), 0, 'g'));
  row.marker->setText(unmarked);
  row.value->setText(QStringLiteral("%1").arg(variable->text));
}

void VariablesWindow::tableChangedSlot() {
  const QVector<TuningVariableTable::Variable>& variables =
      GmModel::instance()->tuningVariables()->variables();
  bool same = variables.size() == rows_.size();
  for (int i = 0; same && i < rows_.size(); ++i) same = variables.at(i).name == rows_.at(i).name;
  if (!same) {
    rebuildRows();
    return;
  }
  for (const Row& row : rows_)
    if (row.marker && row.marker->text() == unmarked) showRow(row);
}

void VariablesWindow::variableEditedSlot(int index) {
  if (index < 0 || index >= rows_.size() || !rows_.at(index).edit) return;
  const Row& row = rows_.at(index);
  if (!acceptable(row.edit)) {
    row.marker->setText(QStringLiteral("!"));
    return;
  }
  row.marker->setText(QStringLiteral("*"));
  analyse_->setEnabled(true);
}

void VariablesWindow::variableChangedSlot(QString name) {
  for (const Row& row : rows_)
    if (row.name == name) showRow(row);
}

void VariablesWindow::analyseSlot() {
  analyse_->setEnabled(false);
  GmModel* model = GmModel::instance();
  for (const Row& row : rows_) {
    // Text the validator does not accept is not sent: the row stays marked.
    if (!row.edit || !acceptable(row.edit)) continue;
    CorvaneThread::submitToInstance(
        new CvCmdSetVariable(model, row.name, row.edit->text().toFloat()));
  }
  CorvaneThread::submitToInstance(new CvCmdAnalyseImage(model, nullptr, model->segmentation()));
}
