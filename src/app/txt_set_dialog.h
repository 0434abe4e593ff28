#pragma once
// frmTxtSet "设置文本水印": the text watermark's text (free text or a token),
// font, size, bold / italic / underline and colour, with a live sample.
#include <QColor>
#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kuvo {

struct TextStyle {
  QString text;
  QString fontName = QStringLiteral("宋体");
  int fontSize = 9;
  quint32 color = 0; // Windows RGB value: red in the low byte
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

QColor colorFromRgbValue(quint32 value);
quint32 rgbValueFromColor(const QColor &color);

class PalettePicture;

class TxtSetDialog : public QDialog {
  Q_OBJECT
public:
  // How the dialog was closed: "确定", "取消", or Esc / the close box.
  enum Outcome { Confirmed, CancelledByButton, Closed };

  explicit TxtSetDialog(const TextStyle &style, QWidget *parent = nullptr);

  Outcome outcome() const { return outcome_; }
  // The style chosen; valid after "确定".
  TextStyle style() const { return result_; }

  static const QStringList &tokens();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void reject() override;

private:
  void confirm();
  void applyFont();
  void setSwatch(const QColor &color);
  void abandonPick();
  void hidePalette();

  QComboBox *txtText_;
  QComboBox *cmbFont_;
  QLineEdit *txtSize_;
  QCheckBox *chkB_;
  QCheckBox *chkI_;
  QCheckBox *chkU_;
  QPushButton *txtColor_;
  PalettePicture *picColor_;
  QLineEdit *txtPre_;
  QColor previewColor_;
  double previewSize_ = 9;
  TextStyle result_;
  Outcome outcome_ = Closed;
};

} // namespace kuvo
