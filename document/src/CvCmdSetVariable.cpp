#include "document/CvCmdSetVariable.h"

#include "document/CorvaneEntryPoints.h"
#include "document/GmModel.h"
#include "document/SegmentationStuff.h"
#include "document/TuningVariableTable.h"

CvCmdSetVariable::CvCmdSetVariable(GmModel* model, const QString& name, float proportion)
    : SessionCommand(model, tr("Setting Variable ", "[ts3]") + name),
      name_(name),
      latinName_(name.toLatin1()),
      proportion_(proportion) {}

void CvCmdSetVariable::execute() {
  result_ = corvaneEntryPoints().CvSetVariable(session_, latinName_.constData(), proportion_);
}

void CvCmdSetVariable::finish() {
  GmModel* model = liveModel();
  if (!model || !session_ || session_ != model->segmentation()->session()) return;
  CvVariable record{};
  if (corvaneEntryPoints().CvGetVariable(session_, latinName_.constData(), &record) == CvOk)
    model->tuningVariables()->update(record);
  emit model->cvVariableChanged(name_);
}
