// Time from selecting a picture to its finished preview: funImgDone on one
// file with the fresh-store job (800 px wide), median of several runs.
//   build/bench/kuvo-preview-bench PICTURE [RUNS]
#include "engine/pipeline.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kuvo-preview-bench PICTURE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
  kuvo::ProcessingSettings settings;
  settings.files = {QString::fromLocal8Bit(argv[1])};
  std::vector<double> ms;
  QSize size;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    const kuvo::PipelineResult result = kuvo::funImgDone(settings, 0);
    ms.push_back(timer.nsecsElapsed() / 1e6);
    size = result.canvas.size();
  }
  std::sort(ms.begin(), ms.end());
  std::printf("preview of %s: %dx%d in %.1f ms (median of %d; best %.1f ms)\n", argv[1], size.width(),
              size.height(), ms[ms.size() / 2], runs, ms.front());
  return size.isEmpty() ? 1 : 0;
}
