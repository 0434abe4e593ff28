// kuvo: the window program. Lists the pictures named on the command line.
#include "app/main_window.h"
#include "engine/font_substitution.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  kuvo::installFontSubstitutions();

  kuvo::MainWindow window;
  QStringList paths;
  for (const QString &arg : QApplication::arguments().mid(1))
    if (!arg.startsWith(QLatin1Char('-')))
      paths << QFileInfo(arg).absoluteFilePath();
  for (const QString &path : paths)
    window.appendPicture(path);
  window.show();
  return app.exec();
}
