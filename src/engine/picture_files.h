#pragma once
// Which files the program takes as pictures, and listing them in folders.
// Every place that checks a picture name (file list, chooser, folder scans,
// drops, command lines, viewer) asks here.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace kuvo {

// What a picture file name stands for, from its extension.
enum class PictureType { None, Jpeg, Png, Gif, Bmp, Tiff, WebP, Heif };

// The type by the name alone, in any letter case: .jpg .jpeg .jpe, .png,
// .gif, .bmp, .tif .tiff, .webp, .heic .heif .avif. A name whose last three
// characters are jpg, bmp, gif or png, or whose last four are tiff, counts
// even without the dot, as it always has.
PictureType pictureTypeOfName(const QString &path);

// pictureTypeOfName is not None.
bool isAcceptedPicture(const QString &path);

// The accepted extensions as name filters ("*.jpg", "*.jpeg", ...), for
// file choosers. Watermark pictures are read by Qt's readers, which know no
// HEIF: their chooser leaves .heic, .heif and .avif out.
QStringList pictureNameFilters(bool withHeif = true);

// The accepted pictures of a folder in name order (case-insensitive), with
// recursive also those of its subfolders (after the folder's own files).
// Hidden files and folders and links to folders are left out. A set cancel
// ends the scan early; progress, when given, hears the count found so far
// and the folder being read, at most every 100 ms and once at the end.
QStringList listPictures(const QString &folder, bool recursive);
QStringList listPictures(const QString &folder, bool recursive, const std::atomic<bool> &cancel,
                         const std::function<void(int, const QString &)> &progress);

// Where a picture found below an added folder goes below the output folder,
// so that the tree is kept: the folder of file relative to top ("a/b"), empty
// for top's own files and for files outside top.
QString outputSubfolderBelow(const QString &top, const QString &file);

} // namespace kuvo
