#include "capture/frm_cap.h"

#include "capture/capture_files.h"
#include "platform/program_paths.h"

#include <QCamera>
#include <QCameraDevice>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

namespace kuvo {

namespace {
constexpr int kFrameWidth = 320; // the frame area of the window design
constexpr int kFrameHeight = 240;
} // namespace

frmCap::frmCap(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmCap"));
  setWindowTitle(QStringLiteral("摄像头拍照"));
  setModal(true);

  picture1_ = new QLabel(this);
  picture1_->setObjectName(QStringLiteral("Picture1"));
  picture1_->setFixedSize(kFrameWidth, kFrameHeight);
  picture1_->setAlignment(Qt::AlignCenter);
  picture1_->setFrameShape(QFrame::Box);
  picture1_->setStyleSheet(QStringLiteral("QLabel#Picture1 { background: black; color: white; border: 1px solid gray;"
                                          " font-size: 15px; }"));

  command1_ = new QPushButton(QStringLiteral("拍照"), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  command2_ = new QPushButton(QStringLiteral("重拍"), this);
  command2_->setObjectName(QStringLiteral("Command2"));
  cmdOK_ = new QPushButton(QStringLiteral("确定"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdNO_ = new QPushButton(QStringLiteral("取消"), this);
  cmdNO_->setObjectName(QStringLiteral("cmdNO"));
  for (QPushButton *b : {command1_, command2_, cmdOK_, cmdNO_})
    b->setAutoDefault(false);

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(command1_);
  buttons->addWidget(command2_);
  buttons->addStretch(1);
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdNO_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(picture1_, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(command1_, &QPushButton::clicked, this, &frmCap::takePhoto);
  connect(command2_, &QPushButton::clicked, this, &frmCap::retake);
  connect(cmdOK_, &QPushButton::clicked, this, &frmCap::confirm);
  connect(cmdNO_, &QPushButton::clicked, this, &QDialog::reject);

  sink_ = new QVideoSink(this);
  connect(sink_, &QVideoSink::videoFrameChanged, this, &frmCap::onFrame);

  // Connect the first camera and start its live picture. No camera is not an
  // error: the frame area says so, and the window follows cameras that come
  // and go.
  devices_ = new QMediaDevices(this);
  connect(devices_, &QMediaDevices::videoInputsChanged, this, &frmCap::camerasChanged);
  const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
  if (!inputs.isEmpty())
    startCamera(inputs.first());
  updateControls();
}

void frmCap::startCamera(const QCameraDevice &device) {
  failureReported_ = false;
  camera_ = new QCamera(device, this);
  connect(camera_, &QCamera::errorOccurred, this, [this](QCamera::Error error, const QString &) {
    if (error != QCamera::NoError)
      QMetaObject::invokeMethod(this, &frmCap::reportCameraFailure, Qt::QueuedConnection);
  });
  if (!session_)
    session_ = new QMediaCaptureSession(this);
  session_->setCamera(camera_);
  session_->setVideoSink(sink_);
  camera_->start();
  if (camera_->error() != QCamera::NoError || !camera_->isAvailable())
    QMetaObject::invokeMethod(this, &frmCap::reportCameraFailure, Qt::QueuedConnection);
}

frmCap::~frmCap() {
  releaseCamera();
}

// Follows the camera list: a camera in use that is gone is let go, and with
// none in use the first one there is taken up. Without a camera any live
// picture left over is stale; a photo already taken stays for "确定".
void frmCap::camerasChanged() {
  const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
  if (camera_ && !inputs.contains(camera_->cameraDevice())) {
    releaseCamera();
    emit statusMessage(QStringLiteral("【提示】摄像头已断开。"));
  }
  if (!camera_) {
    live_ = QImage();
    if (frozen_.isNull())
      showImage(QImage());
    if (!inputs.isEmpty() && isVisible()) {
      startCamera(inputs.first());
      emit statusMessage(QStringLiteral("【提示】检测到摄像头：") + inputs.first().description());
    }
  }
  updateControls();
}

// "拍照" needs a live picture and "重拍" a frozen one; with neither camera nor
// picture the frame area says why it is empty.
void frmCap::updateControls() {
  command1_->setEnabled(!live_.isNull());
  command2_->setEnabled(!frozen_.isNull());
  if (live_.isNull() && frozen_.isNull())
    picture1_->setText(camera_ ? QStringLiteral("正在连接摄像头……") : QStringLiteral("没有检测到摄像头"));
}

void frmCap::reportCameraFailure() {
  if (failureReported_ || !camera_)
    return;
  failureReported_ = true;
  releaseCamera(); // the window stays open without a live picture
  live_ = QImage();
  updateControls();
  QMessageBox::critical(this, QStringLiteral("Kuvo图片批处理"), QStringLiteral("没有摄像头或发生错误！请检查。"));
}

void frmCap::onFrame(const QVideoFrame &frame) {
  if (!frame.isValid())
    return;
  QImage image = frame.toImage();
  if (image.isNull())
    return;
  const bool first = live_.isNull();
  live_ = image.convertToFormat(QImage::Format_RGB32);
  if (frozen_.isNull())
    showImage(live_);
  if (first)
    updateControls();
}

void frmCap::showImage(const QImage &image) {
  if (image.isNull()) {
    picture1_->clear();
    return;
  }
  picture1_->setPixmap(QPixmap::fromImage(
      image.scaled(picture1_->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void frmCap::takePhoto() {
  if (live_.isNull()) {
    emit statusMessage(QStringLiteral("【提示】摄像头没有画面，无法拍照。"));
    return;
  }
  frozen_ = live_;
  showImage(frozen_);
  updateControls();
}

void frmCap::retake() {
  frozen_ = QImage();
  showImage(live_);
  updateControls();
}

void frmCap::confirm() {
  if (frozen_.isNull()) {
    // Nothing was photographed: add nothing rather than a missing file.
    emit statusMessage(QStringLiteral("【操作错误】还没有拍照，没有图片添加到列表。"));
    reject();
    return;
  }
  const QString path =
      saveNewBmp(frozen_, scratchFolder(), QStringLiteral("Cap"), webcamStamp(QDateTime::currentDateTime()));
  if (path.isEmpty()) {
    emit statusMessage(QStringLiteral("【操作错误】照片保存失败，未添加到列表：") + scratchFolder());
    reject();
    return;
  }
  savedPath_ = QDir::toNativeSeparators(path);
  emit pictureAdded(savedPath_);
  accept();
}

void frmCap::done(int result) {
  releaseCamera();
  QDialog::done(result);
}

void frmCap::releaseCamera() {
  if (!camera_)
    return;
  camera_->stop();
  session_->setCamera(nullptr);
  delete camera_;
  camera_ = nullptr;
}

} // namespace kuvo
