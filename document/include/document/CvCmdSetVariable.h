#pragma once

#include <QByteArray>
#include <QString>

#include "document/SessionCommand.h"

// Sets one of the image session's tuning variables from a proportion 0..1; its finish reads
// the variable back into the document's table of tuning variables.
class CvCmdSetVariable : public SessionCommand {
  Q_OBJECT

 public:
  CvCmdSetVariable(GmModel* model, const QString& name, float proportion);

  void execute() override;
  // Does not check the result: an unknown name leaves the table as it was.
  void finish() override;

 private:
  QString name_;
  QByteArray latinName_;
  float proportion_;
};
