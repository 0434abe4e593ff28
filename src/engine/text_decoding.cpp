#include "engine/text_decoding.h"

#include <QStringDecoder>

#ifndef Q_OS_WIN
#include <iconv.h>
#endif

namespace kuvo {

namespace {
QString decodeGbk(const QByteArray &bytes) {
  QStringDecoder byName("GBK");
  if (byName.isValid())
    return byName(bytes);
#ifdef Q_OS_WIN
  // Qt without ICU: the system's ANSI code page is GBK on a Chinese system.
  return QStringDecoder(QStringConverter::System)(bytes);
#else
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == iconv_t(-1))
    return QString::fromLatin1(bytes);
  QByteArray in = bytes;
  QByteArray out(in.size() * 2 + 4, Qt::Uninitialized);
  char *src = in.data(), *dst = out.data();
  size_t left = size_t(in.size()), room = size_t(out.size());
  while (left > 0) {
    if (iconv(cd, &src, &left, &dst, &room) != size_t(-1))
      continue;
    if (room < 4)
      break;
    // An invalid sequence becomes "?" and decoding goes on.
    ++src;
    --left;
    *dst++ = '?';
    --room;
  }
  iconv_close(cd);
  out.truncate(int(dst - out.data()));
  return QString::fromUtf8(out);
#endif
}
} // namespace

QString decodeUtf8OrGbk(const QByteArray &bytes) {
  QByteArray data = bytes;
  if (data.startsWith("\xEF\xBB\xBF"))
    data.remove(0, 3);
  QStringDecoder utf8(QStringConverter::Utf8);
  const QString text = utf8(data);
  if (!utf8.hasError())
    return text;
  return decodeGbk(data);
}

} // namespace kuvo
