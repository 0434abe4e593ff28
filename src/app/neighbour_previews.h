#pragma once
// The preview's previous / next buttons (imgPre, imgFor) show the
// neighbouring entries' pictures, small. Pictures are decoded at their small
// size on a worker thread and kept for the entries last shown; until one
// arrives, and for a file that cannot be read, the button shows its arrow.
#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QToolButton;

namespace kuvo {

class NeighbourPreviews : public QObject {
  Q_OBJECT
public:
  static constexpr int Side = 56; // the picture's longer side in pixels

  NeighbourPreviews(QToolButton *previous, QToolButton *next, QObject *parent = nullptr);
  ~NeighbourPreviews() override;

  // The neighbours of the current entry; an empty path hides its button.
  void show(const QString &previous, const QString &next);
  // The path whose picture a button shows (empty while it shows the arrow).
  QString shownPath(bool next) const;

  // The picture at path, its longer side at most side pixels (never
  // enlarged); the file is opened by its own bytes, so GBK names work too.
  static QImage decodeSmall(const QString &path, int side = Side);

signals:
  void pictureShown(bool next);

private:
  struct Slot {
    QPointer<QToolButton> button;
    QString arrow;
    QString path;      // wanted
    QString shownPath; // on the button now
  };
  void apply(Slot &side);
  void startNext();

  Slot sides_[2];
  QHash<QString, QImage> cache_;
  QStringList cacheOrder_;
  QFutureWatcher<QImage> watcher_;
  QString decoding_;
};

} // namespace kuvo
