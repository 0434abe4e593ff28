#include "app/widget_helpers.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <cmath>

namespace kuvo {

QAction *namedAction(QMenu *menu, const QString &text, const QString &name) {
  QAction *action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

QGroupBox *boldGroup(QGroupBox *box, const QString &caption, const char *name) {
  box->setTitle(caption);
  box->setObjectName(QLatin1String(name));
  QFont f = box->font();
  f.setBold(true);
  box->setFont(f);
  return box;
}

void plainFont(QWidget *w) {
  QFont f = w->font();
  f.setBold(false);
  w->setFont(f);
}

void plainFontForChildren(QWidget *box) {
  for (QWidget *w : box->findChildren<QWidget *>())
    plainFont(w);
}

bool toNumber(const QString &text, double &value) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (ok && std::isfinite(v))
    value = v;
  return ok && std::isfinite(v);
}

} // namespace kuvo
