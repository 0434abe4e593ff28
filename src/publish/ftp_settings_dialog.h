#pragma once
// The network-parameter window: server, user, password, remote folder and
// the web address prefix of an upload run. Modal; it needs no main window.
#include "publish/upload_settings.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kuvo {

class FtpSettingsDialog : public QDialog {
  Q_OBJECT
public:
  explicit FtpSettingsDialog(const UploadSettings &settings, QWidget *parent = nullptr);

  UploadSettings settings() const;

  // Opens the window modally; on "确定" copies the edits into settings (a
  // user and password typed into the address move to their own fields) and
  // returns true. Storing them (without the password) is the caller's.
  static bool edit(QWidget *parent, UploadSettings &settings);

  // The controls, for tests and for the window's own checks.
  QLineEdit *serverEdit() const { return server_; }
  QLineEdit *userEdit() const { return user_; }
  QLineEdit *passwordEdit() const { return password_; }
  QLineEdit *rootEdit() const { return root_; }
  QLineEdit *webPrefixEdit() const { return prefix_; }
  QPushButton *testButton() const { return test_; }
  QLabel *testResultLabel() const { return result_; }

signals:
  // Emitted when a connection test ends; code as in UploadErrorCode.
  void connectionTested(int code);

public slots:
  void accept() override;

private slots:
  void testConnection();

private:
  QLineEdit *server_;
  QLineEdit *user_;
  QLineEdit *password_;
  QLineEdit *root_;
  QLineEdit *prefix_;
  QPushButton *test_;
  QLabel *result_;
};

} // namespace kuvo
