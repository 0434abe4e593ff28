#include "cli/option_table.h"

#include <QStringList>

namespace kuvo::cli {

namespace {

const QStringList flagOptions{QStringLiteral("--strip-metadata"),
                              QStringLiteral("--strip-gps"),
                              QStringLiteral("--keep-gps"),
                              QStringLiteral("--keep-date"),
                              QStringLiteral("-r"),
                              QStringLiteral("--recursive"),
                              QStringLiteral("--flat"),
                              QStringLiteral("--keep-small"),
                              QStringLiteral("--error-log"),
                              QStringLiteral("--quiet"),
                              QStringLiteral("-v"),
                              QStringLiteral("--verbose"),
                              QStringLiteral("--bold"),
                              QStringLiteral("--italic"),
                              QStringLiteral("--underline"),
                              QStringLiteral("-h"),
                              QStringLiteral("--help"),
                              QStringLiteral("--version"),
                              QStringLiteral("--list-presets"),
                              QStringLiteral("--pdf"),
                              QStringLiteral("-0")};

const QStringList valueOptions{QStringLiteral("-o"),
                               QStringLiteral("--output"),
                               QStringLiteral("--format"),
                               QStringLiteral("--max-kb"),
                               QStringLiteral("--quality"),
                               QStringLiteral("--size"),
                               QStringLiteral("--width"),
                               QStringLiteral("--height"),
                               QStringLiteral("--fit"),
                               QStringLiteral("--crop-x"),
                               QStringLiteral("--crop-y"),
                               QStringLiteral("--origin"),
                               QStringLiteral("--channels"),
                               QStringLiteral("--matrix"),
                               QStringLiteral("--border"),
                               QStringLiteral("--existing"),
                               QStringLiteral("--rename"),
                               QStringLiteral("--digits"),
                               QStringLiteral("-j"),
                               QStringLiteral("--jobs"),
                               QStringLiteral("--rotate"),
                               QStringLiteral("--effect"),
                               QStringLiteral("--brightness"),
                               QStringLiteral("--watermark"),
                               QStringLiteral("--watermark-anchor"),
                               QStringLiteral("--text-anchor"),
                               QStringLiteral("--watermark-pos"),
                               QStringLiteral("--watermark-scale"),
                               QStringLiteral("--opacity"),
                               QStringLiteral("--text-opacity"),
                               QStringLiteral("--tile-angle"),
                               QStringLiteral("--tile-spacing"),
                               QStringLiteral("--text"),
                               QStringLiteral("--text-pos"),
                               QStringLiteral("--font"),
                               QStringLiteral("--font-size"),
                               QStringLiteral("--color"),
                               QStringLiteral("--pdf-title"),
                               QStringLiteral("--pdf-signature"),
                               QStringLiteral("--pdf-date"),
                               QStringLiteral("--upload"),
                               QStringLiteral("--ftp-password"),
                               QStringLiteral("--ftp-user"),
                               QStringLiteral("--ftp-password-file"),
                               QStringLiteral("--ftp-root"),
                               QStringLiteral("--web-prefix"),
                               QStringLiteral("--job"),
                               QStringLiteral("--files-from"),
                               QStringLiteral("--shard"),
                               QStringLiteral("--finish")};

} // namespace

bool isFlagOption(const QString &opt) { return flagOptions.contains(opt); }

bool isValueOption(const QString &opt) { return valueOptions.contains(opt); }

} // namespace kuvo::cli
