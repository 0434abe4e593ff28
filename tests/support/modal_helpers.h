#pragma once
// Driving modal dialogs from a test without blocking it.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs act on the next modal widget as soon as one is shown.
inline void onNextModal(std::function<void(QWidget *)> act) {
  auto *timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QWidget *w = QApplication::activeModalWidget();
    if (!w)
      return;
    timer->stop();
    timer->deleteLater();
    act(w);
  });
  timer->start();
}
