#include "document/GmBrushing.h"

#include "document/GmModel.h"

GmBrushing::GmBrushing(const QColor& colour, QObject* parent)
    : QObject(parent), brushing_(std::make_unique<Brushing>(colour)) {
  GmModel::instance()->addLiveStroke(this);
}

GmBrushing::~GmBrushing() {
  if (GmModel* model = GmModel::existingInstance()) model->removeLiveStroke(this);
}
