// libFuzzer entry: any bytes as size.ini through loadSizePresets.
#include "engine/size_presets.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  kuvo::fuzz::initQt(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString path = kuvo::fuzz::writeScratchFile(QStringLiteral("size.ini"), data, size);
  const QVector<kuvo::SizePreset> presets = kuvo::loadSizePresets(path);
  if (presets.size() > kuvo::MaxSizePresets)
    std::abort();
  // The name and the width end at the first and second ";": neither holds one.
  for (const kuvo::SizePreset &p : presets)
    if (p.name.contains(QLatin1Char(';')) || p.width.contains(QLatin1Char(';')) ||
        (p.name + p.width + p.height).contains(QLatin1Char('\n')))
      std::abort();
  return 0;
}
