#include "app/splash_window.h"

#include "app/main_window.h"
#include "app/settings_notice.h"
#include "app/skins.h"
#include "platform/settings_store.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace kuvo {

SplashWindow::SplashWindow(const QStringList &arguments, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), arguments_(arguments) {
  setObjectName(QStringLiteral("frmSplash"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto *frame = new QFrame(this);
  frame->setObjectName(QStringLiteral("splashFrame"));
  auto *title = new QLabel(AppTitle, frame);
  title->setObjectName(QStringLiteral("lblSplashTitle"));
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.8);
  big.setBold(true);
  title->setFont(big);
  auto *label = new QLabel(QStringLiteral("正在加载Kuvo图片批处理，请稍候..."), frame);
  label->setObjectName(QStringLiteral("lblSplash"));
  auto *inner = new QVBoxLayout(frame);
  inner->setContentsMargins(28, 24, 28, 24);
  inner->addWidget(title);
  inner->addStretch();
  inner->addWidget(label);
  auto *outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(frame);
  setFixedSize(420, 180);
  if (QScreen *s = screen())
    move(s->availableGeometry().center() - rect().center());
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, &SplashWindow::tick);
  timer_.start();
}

SplashWindow::~SplashWindow() = default;

QString SplashWindow::applyStoredSkin() {
  const QString path = readSetting(QStringLiteral("sSkinFileName"), defaultSkinPath());
  applySkin(path);
  return path;
}

void SplashWindow::tick() {
  ++ticks_;
  if (ticks_ == 1) {
    main_ = new MainWindow;
    main_->setAttribute(Qt::WA_DeleteOnClose);
    main_->openCommandLine(arguments_);
    main_->show();
    // After the window is up, so the box has a parent to sit on.
    QTimer::singleShot(0, main_, [w = main_] { tellBrokenSettings(w, brokenSettingsKeptAs()); });
    emit mainWindowShown(main_);
    return;
  }
  // The main window's load runs to its end in its constructor.
  timer_.stop();
  close();
}

} // namespace kuvo
