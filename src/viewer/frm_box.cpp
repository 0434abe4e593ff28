#include "viewer/frm_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kuvo {

frmBox::frmBox(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmBox"));
  setWindowTitle(QStringLiteral("Kuvo提示"));
  setModal(true);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 16, 18, 14);
  layout->setSpacing(14);
  auto *question = new QLabel(QStringLiteral("确认裁剪并添加到图片批处理列表吗？"), this);
  question->setObjectName(QStringLiteral("lblQuestion"));
  layout->addWidget(question);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto *yes = new QPushButton(QStringLiteral("是"), this);
  yes->setObjectName(QStringLiteral("cmdYes"));
  yes->setDefault(true);
  auto *no = new QPushButton(QStringLiteral("否"), this);
  no->setObjectName(QStringLiteral("cmdNo"));
  buttons->addWidget(yes);
  buttons->addWidget(no);
  layout->addLayout(buttons);
  connect(yes, &QPushButton::clicked, this, [this] {
    yes_ = true;
    accept();
  });
  connect(no, &QPushButton::clicked, this, [this] {
    yes_ = false;
    reject();
  });
  adjustSize();
  setFixedSize(sizeHint());
}

} // namespace kuvo
