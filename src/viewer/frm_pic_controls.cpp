// The viewer's context menus, its button bar and the crop toolbar.
#include "viewer/frm_pic.h"

#include "platform/tool_icons.h"
#include "viewer/frm_pic_detail.h"
#include "viewer/viewer_geometry.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace kuvo {

using namespace viewer;

void frmPic::buildMenus() {
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("mImg2"));
  actFit_ = menu_->addAction(tr8("适合屏幕"), this, &frmPic::ShowAll);
  actFit_->setObjectName(QStringLiteral("mImgSA"));
  actFit_->setCheckable(true);
  actOriginal_ = menu_->addAction(tr8("原始大小"), this, &frmPic::showOriginalSize);
  actOriginal_->setObjectName(QStringLiteral("mImgSB"));
  actOriginal_->setCheckable(true);
  menu_->addSeparator();
  menu_->addAction(tr8("裁剪图片"), this, &frmPic::enterCropMode)->setObjectName(QStringLiteral("mCut"));
  menu_->addAction(tr8("复制图像"), this, &frmPic::copyPicture)->setObjectName(QStringLiteral("mImgCopy"));
  QMenu *desk = menu_->addMenu(tr8("设为桌面"));
  desk->setObjectName(QStringLiteral("mImgSetD"));
  const char *styles[] = {"平铺", "拉伸", "居中"};
  for (int i = 0; i < 3; ++i)
    desk->addAction(tr8(styles[i]), this, [this, i] { setWallpaper(i); })
        ->setObjectName(QStringLiteral("mImgSetD%1").arg(i));
  menu_->addSeparator();
  menu_->addAction(tr8("多图列表浏览"), this, &frmPic::enterListBrowse)->setObjectName(QStringLiteral("mLB"));
  actSlide_ = menu_->addAction(tr8("幻灯片浏览"), this, &frmPic::toggleSlideShow);
  actSlide_->setObjectName(QStringLiteral("mSLD"));
  actSlide_->setCheckable(true);
  menu_->addAction(tr8("播放速度设置..."), this, &frmPic::editSlideInterval)->setObjectName(QStringLiteral("mSLDP"));
  actInfo_ = menu_->addAction(tr8("显示图片信息"), this, &frmPic::toggleInfo);
  actInfo_->setObjectName(QStringLiteral("mImgInfo"));
  actInfo_->setCheckable(true);
  actInfo_->setShortcut(QKeySequence(Qt::Key_I)); // shown in the menu; the key handler acts on it
  actInfo_->setShortcutContext(Qt::WidgetShortcut);
  QMenu *colors = menu_->addMenu(tr8("背景颜色设置"));
  colors->setObjectName(QStringLiteral("mSetBGCLR"));
  colorGroup_ = new QActionGroup(this);
  for (int i = 0; i < BackgroundColorCount; ++i) {
    QAction *a = colors->addAction(backgroundColorCaption(i), this, [this, i] { setBackgroundColorIndex(i); });
    a->setObjectName(QStringLiteral("mSetBGCLRS%1").arg(i));
    a->setCheckable(true);
    colorGroup_->addAction(a);
    colorActions_.append(a);
  }
  menu_->addSeparator();
  menu_->addAction(tr8("退出全屏   ESC"), this, &QWidget::close)->setObjectName(QStringLiteral("mImgClose"));

  thumbMenu_ = new QMenu(this);
  thumbMenu_->setObjectName(QStringLiteral("mImgF"));
  thumbMenu_->addAction(tr8("移除图片"), this, [this] { removeThumbnail(thumbMenuIndex_); })
      ->setObjectName(QStringLiteral("mRemove"));
}

void frmPic::buildBars() {
  bar_ = new QFrame(this);
  bar_->setObjectName(QStringLiteral("picBox"));
  bar_->setFixedSize(ButtonBarSize);
  bar_->setAutoFillBackground(true);
  auto *barLayout = new QHBoxLayout(bar_);
  barLayout->setContentsMargins(2, 2, 2, 2);
  barLayout->setSpacing(4);
  auto addButton = [&](const char *name, const char *text) {
    auto *b = new QPushButton(tr8(text), bar_);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::NoFocus);
    barLayout->addWidget(b);
    return b;
  };
  prev_ = addButton("Command1", "<");
  next_ = addButton("Command2", ">");
  slide_ = addButton("Command3", "幻灯");
  back_ = addButton("Command4", "返回");
  connect(prev_, &QPushButton::clicked, this, &frmPic::previousPage);
  connect(next_, &QPushButton::clicked, this, &frmPic::nextPage);
  connect(slide_, &QPushButton::clicked, this, &frmPic::toggleSlideShow);
  connect(back_, &QPushButton::clicked, this, &QWidget::close);
  bar_->hide();

  toolbar_ = new QFrame(this);
  toolbar_->setObjectName(QStringLiteral("Picture1"));
  toolbar_->setFrameShape(QFrame::StyledPanel);
  toolbar_->setAutoFillBackground(true);
  auto *toolLayout = new QHBoxLayout(toolbar_);
  toolLayout->setContentsMargins(2, 2, 2, 2);
  toolLayout->setSpacing(1);
  const char *tips[] = {"重新裁剪", "复制剪贴区域", "确定裁剪", "退出裁剪"};
  const ToolIcon icons[] = {ToolIcon::Redo, ToolIcon::Copy, ToolIcon::Confirm, ToolIcon::Exit};
  for (int i = 0; i < 4; ++i) {
    auto *t = new QToolButton(toolbar_);
    t->setObjectName(QStringLiteral("Image2_%1").arg(i));
    t->setToolTip(tr8(tips[i]));
    t->setIcon(toolIcon(icons[i]));
    t->setIconSize(QSize(18, 18));
    t->setAutoRaise(true); // raised border while the pointer is over it
    t->setFocusPolicy(Qt::NoFocus);
    toolLayout->addWidget(t);
    tools_[i] = t;
  }
  connect(tools_[0], &QToolButton::clicked, this, &frmPic::restartCrop);
  connect(tools_[1], &QToolButton::clicked, this, &frmPic::copyCut);
  connect(tools_[2], &QToolButton::clicked, this, &frmPic::confirmCrop);
  connect(tools_[3], &QToolButton::clicked, this, &frmPic::leaveCropMode);
  toolbar_->adjustSize();
  toolbar_->hide();

  tip_ = new QLabel(tr8("【提示】按住鼠标左键拖动选择裁剪的区域。"), this);
  tip_->setObjectName(QStringLiteral("lblTip"));
  tip_->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgba(0,0,0,170); border-radius: 6px;"
                                     " padding: 8px 16px; font-size: 15px; }"));
  tip_->adjustSize();
  tip_->setAttribute(Qt::WA_TransparentForMouseEvents);
  tip_->hide();

  notice_ = new QLabel(this);
  notice_->setObjectName(QStringLiteral("lblNotice"));
  notice_->setStyleSheet(tip_->styleSheet());
  notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
  notice_->hide();
  noticeTimer_.setSingleShot(true);
  noticeTimer_.setInterval(5000);
  connect(&noticeTimer_, &QTimer::timeout, notice_, &QWidget::hide);
}

// A swatch of each colour, the chosen one with a check beside it: styles
// that draw a checkable item's icon in place of its check mark would
// otherwise hide which colour is chosen.
void frmPic::updateColorIcons() {
  for (int i = 0; i < int(colorActions_.size()); ++i) {
    const qreal dpr = devicePixelRatioF();
    QPixmap icon(QSize(30, 14) * dpr);
    icon.setDevicePixelRatio(dpr);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    if (i == bgIndex_) {
      p.setPen(QPen(palette().color(QPalette::Text), 2));
      p.drawPolyline(QPolygonF({QPointF(2, 7), QPointF(5.5, 11), QPointF(12, 2.5)}));
    }
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(backgroundColor(i));
    p.drawRect(QRectF(15.5, 1.5, 13, 11));
    p.end();
    colorActions_[i]->setIcon(QIcon(icon));
  }
}

void frmPic::showNotice(const QString &text) {
  notice_->setText(text);
  notice_->adjustSize();
  notice_->move((width() - notice_->width()) / 2, height() - notice_->height() - 80);
  notice_->show();
  notice_->raise();
  noticeTimer_.start();
}

QString frmPic::noticeText() const {
  return notice_->isVisible() ? notice_->text() : QString();
}

} // namespace kuvo
