#include "publish/ftp_settings_dialog.h"

#include "publish/ftp_upload.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

FtpSettingsDialog::FtpSettingsDialog(const UploadSettings &s, QWidget *parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("网络参数设置"));
  server_ = new QLineEdit(s.ftpServer, this);
  server_->setObjectName(QStringLiteral("txtFtpServer"));
  server_->setToolTip(QStringLiteral("主机名(端口 21)、主机名:端口，或 ftp://、ftps://、sftp:// 开头的地址"));
  user_ = new QLineEdit(s.ftpUser, this);
  user_->setObjectName(QStringLiteral("txtFtpUser"));
  password_ = new QLineEdit(s.ftpPassword, this);
  password_->setObjectName(QStringLiteral("txtFtpPassword"));
  password_->setEchoMode(QLineEdit::Password);
  password_->setToolTip(QStringLiteral("密码只在本次运行中使用，不会保存。"));
  root_ = new QLineEdit(s.ftpRootFolder, this);
  root_->setObjectName(QStringLiteral("txtFtpRoot"));
  root_->setToolTip(QStringLiteral("服务器上存放图片的文件夹(相对于登录后的文件夹)，不存在时自动创建"));
  prefix_ = new QLineEdit(s.webUrlPrefix, this);
  prefix_->setObjectName(QStringLiteral("txtWebUrl"));
  prefix_->setToolTip(QStringLiteral("上传后的图片在网上的地址前缀，如 http://example.org/pics"));

  auto *form = new QFormLayout;
  form->addRow(QStringLiteral("FTP服务器:"), server_);
  form->addRow(QStringLiteral("用户名:"), user_);
  form->addRow(QStringLiteral("密码:"), password_);
  form->addRow(QStringLiteral("远程文件夹:"), root_);
  form->addRow(QStringLiteral("网址前缀:"), prefix_);

  test_ = new QPushButton(QStringLiteral("测试连接"), this);
  test_->setObjectName(QStringLiteral("cmdFtpTest"));
  result_ = new QLabel(this);
  result_->setObjectName(QStringLiteral("lblFtpTest"));
  result_->setWordWrap(true);
  auto *buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("cmdOK"));
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cmdNO"));
  buttons->addButton(test_, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &FtpSettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FtpSettingsDialog::reject);
  connect(test_, &QPushButton::clicked, this, &FtpSettingsDialog::testConnection);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(result_);
  layout->addWidget(buttons);
  resize(460, sizeHint().height());
}

UploadSettings FtpSettingsDialog::settings() const {
  UploadSettings s;
  s.ftpServer = server_->text().trimmed();
  s.ftpUser = user_->text();
  s.ftpPassword = password_->text();
  s.ftpRootFolder = root_->text().trimmed();
  s.webUrlPrefix = prefix_->text().trimmed();
  return s;
}

void FtpSettingsDialog::accept() {
  const UploadSettings s = settings();
  // "Not set" is allowed (the start check asks again); a server text that
  // cannot be used is caught here rather than as one error per picture.
  if (s.serverSet() && !parseFtpServer(s.ftpServer).valid) {
    QMessageBox::warning(this, QStringLiteral("Kuvo图片批处理"),
                         QStringLiteral("服务器地址无法识别。请填写主机名(如 ftp.example.org)、主机名:端口，"
                                        "或以 ftp://、ftps://、sftp:// 开头的地址。"));
    server_->setFocus();
    server_->selectAll();
    return;
  }
  QDialog::accept();
}

void FtpSettingsDialog::testConnection() {
  test_->setEnabled(false);
  result_->setText(QStringLiteral("正在连接服务器…"));
  // In the background, so that a slow server never freezes the window.
  auto *watcher = new QFutureWatcher<UploadOutcome>(this);
  connect(watcher, &QFutureWatcher<UploadOutcome>::finished, this, [this, watcher] {
    const UploadOutcome out = watcher->result();
    watcher->deleteLater();
    test_->setEnabled(true);
    switch (out.code) {
    case UploadOk:
      result_->setText(QStringLiteral("连接成功，可以上传。"));
      break;
    case UploadNoSession:
      result_->setText(QStringLiteral("服务器地址无法使用。"));
      break;
    case UploadNoConnection:
      result_->setText(QStringLiteral("无法连接或登录服务器：") + out.detail);
      break;
    default:
      result_->setText(QStringLiteral("已登录，但无法进入远程文件夹(上传时会尝试创建)：") + out.detail);
      break;
    }
    emit connectionTested(out.code);
  });
  UploadOptions options;
  options.connectSeconds = 10;
  options.stallSeconds = 10;
  watcher->setFuture(QtConcurrent::run([s = settings(), options] { return testFtpConnection(s, options); }));
}

bool FtpSettingsDialog::edit(QWidget *parent, UploadSettings &settings) {
  FtpSettingsDialog dialog(settings, parent);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  settings = dialog.settings();
  // A password typed into the address stays in memory, never in the store.
  moveServerCredentials(settings);
  return true;
}

} // namespace kuvo
