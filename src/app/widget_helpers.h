#pragma once
// Small helpers the window's panels share to build their controls.
#include <QString>

class QAction;
class QGroupBox;
class QMenu;
class QWidget;

namespace kuvo {

template <typename W> W *named(W *widget, const char *name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QAction *namedAction(QMenu *menu, const QString &text, const QString &name);

// A panel of the job: a group box with a bold caption.
QGroupBox *boldGroup(QGroupBox *box, const QString &caption, const char *name);

// Children of a bold group box get the normal font back.
void plainFont(QWidget *w);
void plainFontForChildren(QWidget *box);

// A number typed into a box: finite, blanks around it allowed.
bool toNumber(const QString &text, double &value);

} // namespace kuvo
