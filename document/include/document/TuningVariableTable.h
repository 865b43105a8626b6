#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include "Corvane.h"

// The engine's named tuning variables of the image session as the GUI last read them: a copy
// the variables window shows without touching the engine. Refreshed when a session begins, a
// variable is set and an analysis of the image finishes. GUI thread.
class TuningVariableTable : public QObject {
  Q_OBJECT

 public:
  struct Variable {
    QString name;
    float proportion = 0;  // 0..1
    QString text;          // the engine's display text; "*" marks a change since the analysis
  };

  explicit TuningVariableTable(QObject* parent = nullptr) : QObject(parent) {}

  const QVector<Variable>& variables() const { return variables_; }
  // The row of `name`, or null.
  const Variable* find(const QString& name) const;

  // Reads every variable of `session` (empty without one). Only while no command runs: the
  // engine rewrites the records during its operations.
  void refresh(const CvSession* session);
  // Replaces the row of the record's name (appends one for a new name).
  void update(const CvVariable& record);

 signals:
  void changed();

 private:
  QVector<Variable> variables_;
};
