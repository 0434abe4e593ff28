#pragma once
// The project's web addresses (the version table's pages). They come from
// links.ini beside the executable, so a build can carry its own addresses or
// none; an address that is not set leaves its command disabled.
#include <QString>
#include <QUrl>

namespace kuvo {

enum class WebLink { HomePage, Forum, Download, NewsPage };

// The address of link from links.ini (section [Links], keys HomePage, Forum,
// Download, NewsPage); empty when the file or the key is missing.
QString linkAddress(WebLink link);
// Reads the file again (tests, or after the file changed).
void reloadLinks(const QString &path = QString());

// The tool tip of a command whose address is not set.
inline const QString LinkNotSetTip = QStringLiteral("未设置网址(请在links.ini中填写)");

// The news page shown in the idle preview area; tests point it elsewhere.
// Empty when no news page is set.
QUrl newsPageUrl();
void setNewsPageUrl(const QUrl &url); // an empty url restores the project's page

// Opens an address in the system's web browser. Returns false when the
// address is empty or the browser could not be started.
bool OpenPage(const QString &address);

// The status line when OpenPage failed.
QString openPageFailedText(const QString &address);

} // namespace kuvo
