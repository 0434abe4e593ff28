#pragma once
// The window-level rules around the panels: "处理信息" along the bottom of
// the maximised window, the news page in the idle preview area, and what
// maximising and restoring the window show and hide.
#include <QObject>

class QMainWindow;
class QNetworkAccessManager;
class QTextBrowser;
class QWidget;

namespace kuvo {

class FileListPanel;
class InfoPanel;

class WindowShell : public QObject {
  Q_OBJECT
public:
  // The info row goes below the window's columns; the news page covers
  // newsArea while the list is empty (the area keeps it fitted).
  WindowShell(QMainWindow *window, QWidget *newsArea, FileListPanel *list);

  InfoPanel *infoPanel() const { return info_; }
  // The news page "Web", a child of the area it covers.
  QWidget *newsPage() const;

  // "bShowToday": the news page is asked for at start and whenever the
  // idle window is maximised.
  bool showToday() const { return showToday_; }
  void setShowToday(bool on) { showToday_ = on; }
  void loadNewsPage();
  // Something to preview: the news page gives way.
  void hideNewsPage();

signals:
  void newsPageFinished(bool loaded);
  // The maximised window shows "处理信息": its job lines are due.
  void infoPanelShown();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // Maximised: "处理信息" shown; normal: it and the news page hidden.
  void applyWindowState();

  QMainWindow *window_;
  QWidget *newsArea_;
  FileListPanel *list_;
  InfoPanel *info_ = nullptr;
  QTextBrowser *web_ = nullptr;
  QNetworkAccessManager *network_ = nullptr;
  bool showToday_ = true;
};

} // namespace kuvo
