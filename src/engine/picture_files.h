#pragma once
// Which files the program takes as pictures, and listing them in folders.
#include <QString>
#include <QStringList>

namespace kuvo {

// A path whose last three characters are jpg, bmp, gif or png, or whose last
// four are tiff, or that ends in .webp, in any letter case. Only the name is
// tested.
bool isAcceptedPicture(const QString &path);

// The accepted pictures of a folder in name order (case-insensitive), with
// recursive also those of its subfolders (after the folder's own files).
// Hidden files and folders are left out.
QStringList listPictures(const QString &folder, bool recursive);

} // namespace kuvo
