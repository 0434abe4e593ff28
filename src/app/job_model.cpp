#include "app/job_model.h"

namespace kuvo {

JobModel::JobModel(QObject *parent) : QObject(parent) {}

void JobModel::change(Group group, const std::function<void(ProcessingSettings &)> &edit) {
  edit(job_);
  announce(group);
}

void JobModel::store(const std::function<void(ProcessingSettings &)> &edit) {
  edit(job_);
}

void JobModel::announce(Group group) {
  switch (group) {
  case Group::Size:
    emit sizeChanged();
    break;
  case Group::Overlays:
    emit overlaysChanged();
    break;
  case Group::Adjustments:
    emit adjustmentsChanged();
    break;
  case Group::Output:
    emit outputChanged();
    break;
  case Group::Options:
    emit optionsChanged();
    break;
  case Group::Captions:
    emit captionsChanged();
    break;
  }
  emit changed(group);
}

void JobModel::setLivePreview(bool on) {
  livePreview_ = on;
  emit livePreviewChanged(on);
}

} // namespace kuvo
