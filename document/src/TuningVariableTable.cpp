#include "document/TuningVariableTable.h"

namespace {

TuningVariableTable::Variable rowOf(const CvVariable& record) {
  return TuningVariableTable::Variable{QString::fromLatin1(record.name ? record.name : ""),
                                       record.proportion,
                                       QString::fromUtf8(record.text ? record.text : "")};
}

}  // namespace

const TuningVariableTable::Variable* TuningVariableTable::find(const QString& name) const {
  for (const Variable& variable : variables_)
    if (variable.name == name) return &variable;
  return nullptr;
}

void TuningVariableTable::refresh(const CvSession* session) {
  QVector<Variable> rows;
  if (session && session->variables) {
    rows.reserve(int(session->variableCount));
    for (uint32_t i = 0; i < session->variableCount; ++i) rows.append(rowOf(session->variables[i]));
  }
  variables_ = rows;
  emit changed();
}

void TuningVariableTable::update(const CvVariable& record) {
  const Variable row = rowOf(record);
  for (Variable& variable : variables_)
    if (variable.name == row.name) {
      variable = row;
      emit changed();
      return;
    }
  variables_.append(row);
  emit changed();
}
