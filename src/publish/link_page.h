#pragma once
// PicURL.htm: the page that shows and lists the addresses of the pictures
// uploaded in one run, and the upload history picUpload.dat.
#include "engine/processing_settings.h"

#include <QString>
#include <QStringList>

namespace kuvo {

inline const QString LinkPageName = QStringLiteral("PicURL.htm");
inline const QString UploadHistoryName = QStringLiteral("picUpload.dat");

// The first line of the page, exactly.
QString linkPageHeader();

// The lines of the page for the addresses of one run, given per list index
// (empty where nothing was uploaded), each ending with CR LF. Captions are
// HTML-escaped; the addresses are already percent-encoded.
QString linkPageText(const ProcessingSettings &settings, const QStringList &urlsByIndex);

// Writes outputFolder/PicURL.htm (UTF-8 with a byte-order mark, CR LF;
// replacing an older page) and appends the addresses, one a line, to
// historyPath. Returns false, writing nothing and leaving the reason in
// error, when the page cannot be made.
bool funCreateHtm(const ProcessingSettings &settings, const QStringList &urlsByIndex, const QString &historyPath,
                  QString *pagePath = nullptr, QString *error = nullptr);

// scratchFolder() + "/picUpload.dat"
QString defaultUploadHistoryPath();

} // namespace kuvo
