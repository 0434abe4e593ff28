#pragma once
// Where the program's data files are and where it may write scratch files.
#include <QString>

namespace kuvo {

// The folder holding size.ini, bk/, sy/, skin/ and ReadMe.txt: beside the
// executable when they are there (build tree, portable install), else the
// installed share folder.
QString programDataDir();

// A writable folder for zp/ and user/: beside the executable when that folder
// is writable and is not part of an installed layout (bin/ with its data in
// share/kuvo), else the per-user data folder.
QString programWritableDir();

QString defaultOutputFolder(); // programWritableDir() + "/zp"
QString scratchFolder();       // programWritableDir() + "/user"

// The folder rules for an executable in exeDir, with perUserDir as the
// per-user data folder; nothing is created.
struct ProgramFolders {
  QString data;
  QString writable;
};
ProgramFolders programFoldersFor(const QString &exeDir, const QString &perUserDir);

} // namespace kuvo
