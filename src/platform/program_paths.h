#pragma once
// Where the program's data files are and where it may write scratch files.
#include <QString>

namespace kuvo {

// The folder holding size.ini, bk/, sy/, skin/ and ReadMe.txt: beside the
// executable when they are there (build tree, portable install), else the
// installed share folder.
QString programDataDir();

// A writable folder for zp/ and user/: beside the executable when that folder
// is writable, else the per-user data folder.
QString programWritableDir();

QString defaultOutputFolder(); // programWritableDir() + "/zp"
QString scratchFolder();       // programWritableDir() + "/user"

} // namespace kuvo
