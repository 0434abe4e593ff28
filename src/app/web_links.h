#pragma once
// The project's web addresses (the version table's pages), kept in one place.
#include <QString>
#include <QUrl>

namespace kuvo {

inline const QString HomePageAddress = QStringLiteral("https://kuvo.invalid/");
inline const QString ForumAddress = QStringLiteral("https://kuvo.invalid/bbs/");
inline const QString DownloadPageAddress = QStringLiteral("https://kuvo.invalid/download");
inline const QString NewsPageAddress = QStringLiteral("https://kuvo.invalid/today.html");

// The news page shown in the idle preview area; tests point it elsewhere.
QUrl newsPageUrl();
void setNewsPageUrl(const QUrl &url); // an empty url restores the project's page

// Opens an address in the system's web browser; a failure is ignored.
void OpenPage(const QString &address);

} // namespace kuvo
