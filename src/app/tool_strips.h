#pragma once
// The side tool strip (Frame3) and the rotation bar (Frame4). Pinned, a strip
// keeps its place in the window's layout; unpinned ("显示右侧工具条" /
// "显示顶部工具条" unticked) it leaves the layout, so the preview gets its
// room, and floats over the preview's edge while the pointer is near that
// edge: the side strip within its width of the right edge, the rotation bar
// within its height of the top edge and across its own width.
#include <QObject>
#include <QPointer>

class QBoxLayout;
class QWidget;

namespace kuvo {

class ToolStrips : public QObject {
  Q_OBJECT
public:
  ToolStrips(QWidget *preview, QWidget *side, QWidget *top, QObject *parent = nullptr);

  void setPinned(QWidget *strip, bool pinned);
  bool isPinned(QWidget *strip) const;
  // Shows or hides the unpinned strips for a pointer at pos (preview
  // coordinates); the preview's mouse moves call it.
  void pointerAt(const QPoint &pos);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct Strip {
    QPointer<QWidget> widget;
    QPointer<QBoxLayout> home; // the layout it is pinned in
    int index = 0;
    bool pinned = true;
    bool side = true; // right edge; false: top edge
  };
  Strip *find(QWidget *w);
  const Strip *find(QWidget *w) const;
  void place(Strip &s);
  bool inZone(const Strip &s, const QPoint &pos) const;

  QPointer<QWidget> preview_;
  Strip strips_[2];
};

} // namespace kuvo
