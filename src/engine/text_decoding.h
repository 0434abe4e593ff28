#pragma once
// Text files that may come from a Chinese Windows system: UTF-8 when the
// bytes are valid UTF-8, else the Chinese ANSI code page (GBK).
#include <QByteArray>
#include <QString>

namespace kuvo {

// A leading UTF-8 byte order mark is dropped.
QString decodeUtf8OrGbk(const QByteArray &bytes);

} // namespace kuvo
