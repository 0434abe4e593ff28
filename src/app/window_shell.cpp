#include "app/window_shell.h"

#include "app/file_list_panel.h"
#include "app/info_panel.h"
#include "app/web_links.h"
#include "app/widget_helpers.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kuvo {

WindowShell::WindowShell(QMainWindow *window, QWidget *newsArea, FileListPanel *list)
    : QObject(window), window_(window), newsArea_(newsArea), list_(list) {
  web_ = named(new QTextBrowser(newsArea), "Web");
  web_->setOpenExternalLinks(true);
  web_->setFrameShape(QFrame::NoFrame);
  web_->hide();

  QWidget *central = window->centralWidget();
  info_ = new InfoPanel(central);
  info_->hide();
  if (auto *rows = qobject_cast<QVBoxLayout *>(central->layout())) {
    // Out to the window's right edge less a small margin.
    auto *row = new QHBoxLayout;
    row->setContentsMargins(8, 0, 10, 4);
    row->addWidget(info_);
    rows->addLayout(row);
  }
  window->installEventFilter(this);
}

bool WindowShell::eventFilter(QObject *watched, QEvent *event) {
  if (watched == window_ && event->type() == QEvent::WindowStateChange)
    applyWindowState();
  return QObject::eventFilter(watched, event);
}

void WindowShell::applyWindowState() {
  const bool maximised = window_->isMaximized();
  info_->setVisible(maximised);
  if (maximised) {
    emit infoPanelShown();
    // The idle maximised window asks for the news page again.
    if (list_->count() == 0 && showToday_)
      loadNewsPage();
  } else {
    web_->hide();
  }
}

QWidget *WindowShell::newsPage() const {
  return web_;
}

void WindowShell::hideNewsPage() {
  web_->hide();
}

void WindowShell::loadNewsPage() {
  if (!showToday_ || newsPageUrl().isEmpty())
    return;
  if (!network_)
    network_ = new QNetworkAccessManager(this);
  QNetworkRequest request(newsPageUrl());
  request.setTransferTimeout(15000);
  QNetworkReply *reply = network_->get(request);
  connect(reply, &QNetworkReply::finished, this, [this, reply] {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
      web_->hide();
      emit newsPageFinished(false);
      return;
    }
    web_->setHtml(QString::fromUtf8(reply->readAll()));
    web_->setGeometry(newsArea_->contentsRect());
    if (list_->count() == 0 && showToday_) {
      web_->show();
      web_->raise();
    }
    emit newsPageFinished(true);
  });
}

} // namespace kuvo
