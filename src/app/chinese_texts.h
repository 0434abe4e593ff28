#pragma once
// Qt's own texts in Chinese: the standard buttons of message boxes and
// dialogs, the text boxes' context menus and the file dialogs.
class QCoreApplication;

namespace kuvo {

// Loads qtbase_zh_CN (beside the executable in "translations", else from Qt's
// translations folder) into app. Returns false when no catalogue was found;
// the program then runs with Qt's English texts.
bool installChineseQtTexts(QCoreApplication &app);

} // namespace kuvo
