#pragma once
// The small modal question "确认裁剪并添加到图片批处理列表吗？" with "是" and "否".
#include <QDialog>

namespace kuvo {

class frmBox : public QDialog {
  Q_OBJECT
public:
  explicit frmBox(QWidget *parent = nullptr);
  bool answeredYes() const { return yes_; }

private:
  bool yes_ = false;
};

} // namespace kuvo
