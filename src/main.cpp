// kuvo: the window program. The splash window applies the skin, then brings
// up the main window with the pictures named on the command line.
#include "platform/memory_tuning.h"
#include "app/chinese_texts.h"
#include "app/splash_window.h"
#include "engine/font_substitution.h"
#include "engine/native_names.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[]) {
  kuvo::tuneAllocatorForPictures();
  QApplication app(argc, argv);
  // The desktop matches the window to kuvo.desktop and its installed icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("kuvo"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kuvo")));
  kuvo::installChineseQtTexts(app);
  kuvo::installFontSubstitutions();
  kuvo::SplashWindow::applyStoredSkin();
  QStringList arguments;
  for (const QString &arg : kuvo::commandLineArguments(argc, argv))
    if (!arg.startsWith(QLatin1Char('-')))
      arguments << arg;
  kuvo::SplashWindow splash(arguments);
  splash.show();
  return app.exec();
}
