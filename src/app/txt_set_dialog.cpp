#include "app/txt_set_dialog.h"

#include "app/window_rules.h"
#include "engine/font_substitution.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace kuvo {

QColor colorFromRgbValue(quint32 value) {
  return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

quint32 rgbValueFromColor(const QColor &color) {
  return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

// The colour palette: hues across, light to dark down, a grey row at the
// bottom. Moving over it reports the colour under the pointer; releasing the
// button picks it.
class PalettePicture : public QLabel {
  Q_OBJECT
public:
  explicit PalettePicture(QWidget *parent) : QLabel(parent) {
    setObjectName(QStringLiteral("picColor"));
    const int w = 240, h = 120, greyRow = 16;
    image_ = QImage(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h - greyRow; ++y) {
      const double t = double(y) / (h - greyRow - 1);
      for (int x = 0; x < w; ++x) {
        const int hue = x * 359 / (w - 1);
        QColor c = t < 0.5 ? QColor::fromHsl(hue, 255, int(255 - t * 2 * 127))
                           : QColor::fromHsl(hue, 255, int(128 - (t - 0.5) * 2 * 128));
        image_.setPixel(x, y, c.rgb());
      }
    }
    for (int y = h - greyRow; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int g = x * 255 / (w - 1);
        image_.setPixel(x, y, qRgb(g, g, g));
      }
    setPixmap(QPixmap::fromImage(image_));
    setFixedSize(w, h);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
  }
  QColor colorAt(const QPoint &p) const {
    const QPoint q(std::clamp(p.x(), 0, image_.width() - 1), std::clamp(p.y(), 0, image_.height() - 1));
    return QColor(image_.pixel(q));
  }

signals:
  void hovered(const QColor &color);
  void picked(const QColor &color);

protected:
  void mouseMoveEvent(QMouseEvent *e) override { emit hovered(colorAt(e->position().toPoint())); }
  void mouseReleaseEvent(QMouseEvent *e) override { emit picked(colorAt(e->position().toPoint())); }

private:
  QImage image_;
};

const QStringList &TxtSetDialog::tokens() {
  static const QStringList list{QStringLiteral("#当前日期#"), QStringLiteral("#当前时间#"),
                                QStringLiteral("#JPG照片拍摄时间#"), QStringLiteral("#图片原文件名#")};
  return list;
}

namespace {
// The first click on the size box selects its text, once per program run.
bool sizeBoxClicked = false;
} // namespace

TxtSetDialog::TxtSetDialog(const TextStyle &style, QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTxtSet"));
  setWindowTitle(QStringLiteral("设置文本水印"));
  setMouseTracking(true);

  txtText_ = new QComboBox(this);
  txtText_->setObjectName(QStringLiteral("txtText"));
  txtText_->setEditable(true);
  txtText_->setInsertPolicy(QComboBox::NoInsert);
  txtText_->setMinimumWidth(300);
  cmbFont_ = new QComboBox(this);
  cmbFont_->setObjectName(QStringLiteral("cmbFont"));
  cmbFont_->setEditable(true);
  cmbFont_->setInsertPolicy(QComboBox::NoInsert);
  txtSize_ = new QLineEdit(QStringLiteral("9"), this);
  txtSize_->setObjectName(QStringLiteral("txtSize"));
  txtSize_->setMaximumWidth(60);
  chkB_ = new QCheckBox(QStringLiteral("加粗"), this);
  chkB_->setObjectName(QStringLiteral("chkB"));
  chkI_ = new QCheckBox(QStringLiteral("斜体"), this);
  chkI_->setObjectName(QStringLiteral("chkI"));
  chkU_ = new QCheckBox(QStringLiteral("下划线"), this);
  chkU_->setObjectName(QStringLiteral("chkU"));
  txtColor_ = new QPushButton(this);
  txtColor_->setObjectName(QStringLiteral("txtColor"));
  txtColor_->setFixedSize(48, 22);
  txtColor_->setToolTip(QStringLiteral("单击选择文字颜色"));
  picColor_ = new PalettePicture(this);
  picColor_->hide();
  txtPre_ = new QLineEdit(AppTitle, this);
  txtPre_->setObjectName(QStringLiteral("txtPre"));
  txtPre_->setReadOnly(true);
  txtPre_->setAlignment(Qt::AlignCenter);
  txtPre_->setMinimumHeight(64);
  auto *cmdOK = new QPushButton(QStringLiteral("确定"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  auto *cmdNO = new QPushButton(QStringLiteral("取消"), this);
  cmdNO->setObjectName(QStringLiteral("cmdNO"));

  auto *settings = new QGroupBox(QStringLiteral("文字设置"), this);
  settings->setObjectName(QStringLiteral("frmSet"));
  settings->setMouseTracking(true);
  auto *grid = new QGridLayout(settings);
  grid->addWidget(new QLabel(QStringLiteral("文字:"), settings), 0, 0);
  grid->addWidget(txtText_, 0, 1, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("字体:"), settings), 1, 0);
  grid->addWidget(cmbFont_, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("大小:"), settings), 1, 3);
  grid->addWidget(txtSize_, 1, 4);
  auto *styles = new QHBoxLayout;
  styles->addWidget(chkB_);
  styles->addWidget(chkI_);
  styles->addWidget(chkU_);
  styles->addStretch();
  styles->addWidget(new QLabel(QStringLiteral("颜色:"), settings));
  styles->addWidget(txtColor_);
  grid->addLayout(styles, 2, 0, 1, 5);
  grid->setColumnStretch(1, 1);

  auto *sample = new QGroupBox(QStringLiteral("预览"), this);
  auto *sampleLayout = new QVBoxLayout(sample);
  sampleLayout->addWidget(txtPre_);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdNO);

  auto *paletteRow = new QHBoxLayout;
  paletteRow->addStretch();
  paletteRow->addWidget(picColor_);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(settings);
  layout->addLayout(paletteRow);
  layout->addWidget(sample);
  layout->addLayout(buttons);

  // Opening: fonts, tokens, colour, stored values, style boxes.
  cmbFont_->addItems(QFontDatabase::families());
  txtText_->addItems(tokens());
  txtText_->setCurrentIndex(-1);
  txtText_->setEditText(QString());
  previewColor_ = colorFromRgbValue(style.color);
  setSwatch(previewColor_);
  if (!style.text.isEmpty()) {
    txtText_->setEditText(style.text);
    txtPre_->setText(style.text);
  }
  if (!style.fontName.isEmpty())
    cmbFont_->setEditText(style.fontName);
  if (style.fontSize != 0) {
    txtSize_->setText(QString::number(style.fontSize));
    previewSize_ = style.fontSize;
  }
  chkB_->setChecked(style.bold);
  chkU_->setChecked(style.underline);
  chkI_->setChecked(style.italic);
  applyFont();

  connect(txtText_, &QComboBox::editTextChanged, this, [this](const QString &t) { txtPre_->setText(t); });
  connect(txtText_, &QComboBox::textActivated, this, [this](const QString &t) { txtPre_->setText(t); });
  connect(cmbFont_, &QComboBox::currentTextChanged, this, [this] { applyFont(); });
  connect(txtSize_, &QLineEdit::textChanged, this, [this](const QString &t) {
    bool ok = false;
    const double v = t.trimmed().toDouble(&ok);
    if (ok && v > 0 && v < 1000) {
      previewSize_ = v;
      applyFont();
    }
  });
  for (QCheckBox *box : {chkB_, chkI_, chkU_})
    connect(box, &QCheckBox::toggled, this, [this] { applyFont(); });
  connect(txtColor_, &QPushButton::clicked, this, [this] {
    if (picColor_->isVisible())
      hidePalette();
    else
      picColor_->show();
  });
  connect(picColor_, &PalettePicture::hovered, this, [this](const QColor &c) { setSwatch(c); });
  connect(picColor_, &PalettePicture::picked, this, [this](const QColor &c) {
    previewColor_ = c;
    setSwatch(c);
    applyFont();
    hidePalette();
  });
  connect(cmdOK, &QPushButton::clicked, this, &TxtSetDialog::confirm);
  connect(cmdNO, &QPushButton::clicked, this, [this] {
    outcome_ = CancelledByButton;
    QDialog::reject();
  });
  txtSize_->installEventFilter(this);
  settings->installEventFilter(this);
}

namespace {
// The sample's own style sheet: a skin's sheet sets the colour and a 9 pt
// size for every widget, which would win over setFont and setPalette.
QString sampleStyleSheet(const QFont &font, const QColor &color) {
  QStringList families;
  for (const QString &family : font.families().isEmpty() ? QStringList{font.family()} : font.families())
    families << QLatin1Char('"') + QString(family).remove(QLatin1Char('"')) + QLatin1Char('"');
  const QString size = font.pixelSize() > 0 ? QString::number(font.pixelSize()) + QStringLiteral("px")
                                            : QString::number(font.pointSizeF()) + QStringLiteral("pt");
  return QStringLiteral("QLineEdit#txtPre{color:%1;font-family:%2;font-size:%3;font-weight:%4;font-style:%5;"
                        "text-decoration:%6;}")
      .arg(color.name(), families.join(QLatin1Char(',')), size,
           font.bold() ? QStringLiteral("bold") : QStringLiteral("normal"),
           font.italic() ? QStringLiteral("italic") : QStringLiteral("normal"),
           font.underline() ? QStringLiteral("underline") : QStringLiteral("none"));
}
} // namespace

void TxtSetDialog::applyFont() {
  // The same font the watermark is drawn with, so the sample shows the result.
  QFont font = watermarkFont(cmbFont_->currentText(), qRound(previewSize_), chkB_->isChecked(), chkI_->isChecked(),
                             chkU_->isChecked());
  txtPre_->setFont(font);
  QPalette pal = txtPre_->palette();
  pal.setColor(QPalette::Text, previewColor_);
  txtPre_->setPalette(pal);
  txtPre_->setStyleSheet(sampleStyleSheet(font, previewColor_));
  // Tall enough for the whole line, however large the size.
  txtPre_->setMinimumHeight(std::max(64, QFontMetrics(font).height() + 16));
}

void TxtSetDialog::setSwatch(const QColor &color) {
  txtColor_->setStyleSheet(QStringLiteral("QPushButton{background:%1;border:1px solid #808080;}").arg(color.name()));
}

void TxtSetDialog::abandonPick() {
  if (!picColor_->isVisible())
    return;
  setSwatch(previewColor_);
  hidePalette();
}

// The palette's room goes again when it closes.
void TxtSetDialog::hidePalette() {
  picColor_->hide();
  QTimer::singleShot(0, this, [this] {
    if (!picColor_->isVisible())
      resize(width(), sizeHint().height());
  });
}

void TxtSetDialog::mouseMoveEvent(QMouseEvent *event) {
  abandonPick();
  QDialog::mouseMoveEvent(event);
}

bool TxtSetDialog::eventFilter(QObject *watched, QEvent *event) {
  if (watched == txtSize_ && event->type() == QEvent::MouseButtonPress && !sizeBoxClicked) {
    sizeBoxClicked = true;
    QTimer::singleShot(0, txtSize_, [box = txtSize_] { box->selectAll(); });
  } else if (event->type() == QEvent::MouseMove && watched != txtSize_ && picColor_->isVisible()) {
    // Over the settings frame only the part above the swatch abandons the pick.
    auto *move = static_cast<QMouseEvent *>(event);
    auto *frame = qobject_cast<QWidget *>(watched);
    if (frame && move->position().y() < txtColor_->mapTo(frame, QPoint(0, 0)).y())
      abandonPick();
  }
  return QDialog::eventFilter(watched, event);
}

void TxtSetDialog::reject() {
  // Esc and the close box end without writing anything.
  outcome_ = Closed;
  QDialog::reject();
}

void TxtSetDialog::confirm() {
  if (txtText_->currentText().isEmpty()) {
    QMessageBox::critical(this, AppTitle, QStringLiteral("文字不能为空！"));
    txtText_->setFocus();
    return;
  }
  if (txtSize_->text().isEmpty()) {
    QMessageBox::critical(this, AppTitle, QStringLiteral("文字大小不能为空！"));
    txtSize_->setFocus();
    return;
  }
  result_.text = txtPre_->text();
  result_.fontSize = static_cast<int>(std::nearbyint(previewSize_));
  result_.color = rgbValueFromColor(previewColor_);
  result_.fontName = cmbFont_->currentText();
  result_.bold = chkB_->isChecked();
  result_.underline = chkU_->isChecked();
  result_.italic = chkI_->isChecked();
  outcome_ = Confirmed;
  accept();
}

} // namespace kuvo

#include "txt_set_dialog.moc"
