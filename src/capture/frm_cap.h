#pragma once
// Webcam snapshot window: shows the first camera's live picture, freezes a
// frame on "拍照", goes live again on "重拍" and on "确定" saves the frozen
// frame as a BMP file in the scratch folder for the main file list.
#include <QDialog>
#include <QImage>

class QCamera;
class QCameraDevice;
class QMediaDevices;
class QMediaCaptureSession;
class QLabel;
class QPushButton;
class QVideoFrame;
class QVideoSink;

namespace kuvo {

// Use from the main window's "摄像头拍照..." command:
//   ShowStatus("【提示】请确保摄像头已经与您的电脑连接好。");
//   frmCap dialog(this);
//   connect(&dialog, &frmCap::pictureAdded, this, <append to the list>);
//   connect(&dialog, &frmCap::statusMessage, this, <ShowStatus>);
//   if (dialog.exec() == QDialog::Accepted) <refresh buttons and preview>;
class frmCap : public QDialog {
  Q_OBJECT
public:
  // Opens the first camera at once. Without a camera the window still opens;
  // the frame area says "没有检测到摄像头" and the photo buttons stay off
  // until pictures arrive. A camera plugged in while the window is open is
  // taken up, one pulled out is let go. Only a camera that is there but
  // cannot be started brings the error box "没有摄像头或发生错误！请检查。".
  explicit frmCap(QWidget *parent = nullptr);
  ~frmCap() override;

  bool hasCamera() const { return camera_ != nullptr; }
  bool isFrozen() const { return !frozen_.isNull(); }
  QImage frozenFrame() const { return frozen_; }
  QImage liveFrame() const { return live_; }
  // The file written by "确定"; empty until then or when nothing was saved.
  QString savedPath() const { return savedPath_; }
  // The sink the camera's frames arrive in.
  QVideoSink *videoSink() const { return sink_; }
  QLabel *frameArea() const { return picture1_; }

public slots:
  void takePhoto(); // "拍照"
  void retake();    // "重拍"
  void confirm();   // "确定"

signals:
  // A photo saved in the scratch folder, to be appended to the file list;
  // the main window then refreshes its buttons and preview.
  void pictureAdded(const QString &path);
  // A hint for the main window's status line.
  void statusMessage(const QString &text);

public:
  void done(int result) override; // every way of closing releases the camera

private:
  void onFrame(const QVideoFrame &frame);
  void showImage(const QImage &image);
  void reportCameraFailure();
  void releaseCamera();
  void startCamera(const QCameraDevice &device);
  void camerasChanged();
  void updateControls();

  QMediaCaptureSession *session_ = nullptr; // made only when there is a camera
  QCamera *camera_ = nullptr;
  QVideoSink *sink_ = nullptr;
  QMediaDevices *devices_ = nullptr;
  QLabel *picture1_ = nullptr;
  QPushButton *command1_ = nullptr;
  QPushButton *command2_ = nullptr;
  QPushButton *cmdOK_ = nullptr;
  QPushButton *cmdNO_ = nullptr;
  QImage live_;
  QImage frozen_;
  QString savedPath_;
  bool failureReported_ = false;
};

} // namespace kuvo
