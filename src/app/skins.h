#pragma once
// Window skins: a .she file is a Qt style sheet applied to the whole program;
// "%SKINDIR%" in it stands for the folder of the skin file.
#include <QString>
#include <QStringList>

namespace kuvo {

inline constexpr int SkinCount = 4; // shipped skins; menu entry 4 is "其他皮肤..."

// The menu captions and file names of the shipped skins, by menu entry.
QString skinCaption(int index);
QString skinFileName(int index);
QString skinFolder();                // programDataDir() + "/skin"
QString shippedSkinPath(int index);  // skinFolder() + "/" + skinFileName(index)
QString defaultSkinPath();           // entry 0

// The shipped skin entry of path (compared by file name in the skin folder),
// or -1 for any other file.
int skinIndexOf(const QString &path);

// Applies the skin file to the running program; a file that cannot be read
// leaves the windows unskinned and returns false.
bool applySkin(const QString &path);

} // namespace kuvo
