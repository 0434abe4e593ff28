// The "floor" of the batch benchmark: what any tool must at least do to turn
// a JPEG into a smaller JPEG. Decodes with TurboJPEG at the smallest DCT
// scaling factor that still leaves the target width, and encodes that
// straight away at the given quality (no resize, no metadata).
//
//   kuvo-floor -o OUTDIR [--width 800] [--quality 90] FILES...
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool readFile(const std::string &path, std::vector<unsigned char> &data) {
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f)
    return false;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  data.resize(size > 0 ? size_t(size) : 0);
  const bool ok = size > 0 && std::fread(data.data(), 1, data.size(), f) == data.size();
  std::fclose(f);
  return ok;
}

std::string stem(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

} // namespace

int main(int argc, char **argv) {
  std::string outDir;
  int width = 800, quality = 90;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-o" && i + 1 < argc)
      outDir = argv[++i];
    else if (a == "--width" && i + 1 < argc)
      width = std::atoi(argv[++i]);
    else if (a == "--quality" && i + 1 < argc)
      quality = std::atoi(argv[++i]);
    else
      files.push_back(a);
  }
  if (outDir.empty() || files.empty() || width <= 0) {
    std::fprintf(stderr, "usage: kuvo-floor -o OUTDIR [--width N] [--quality Q] FILES...\n");
    return 2;
  }

  tjhandle dec = tjInitDecompress();
  tjhandle enc = tjInitCompress();
  int numFactors = 0;
  const tjscalingfactor *factors = tjGetScalingFactors(&numFactors);
  std::vector<unsigned char> data, pixels;
  int failures = 0;
  for (const std::string &path : files) {
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    if (!readFile(path, data) ||
        tjDecompressHeader3(dec, data.data(), data.size(), &w, &h, &subsamp, &colorspace) != 0) {
      std::fprintf(stderr, "%s: cannot read\n", path.c_str());
      ++failures;
      continue;
    }
    // Smallest scaled width that is still at least the target.
    int sw = w, sh = h;
    for (int i = 0; i < numFactors; ++i) {
      const int cw = TJSCALED(w, factors[i]);
      if (cw >= width && cw < sw) {
        sw = cw;
        sh = TJSCALED(h, factors[i]);
      }
    }
    pixels.resize(size_t(sw) * sh * 3);
    if (tjDecompress2(dec, data.data(), data.size(), pixels.data(), sw, 0, sh, TJPF_RGB, 0) != 0) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), tjGetErrorStr2(dec));
      ++failures;
      continue;
    }
    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    if (tjCompress2(enc, pixels.data(), sw, 0, sh, TJPF_RGB, &jpeg, &jpegSize, TJSAMP_420, quality, 0) != 0) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), tjGetErrorStr2(enc));
      ++failures;
      continue;
    }
    const std::string out = outDir + "/" + stem(path) + ".jpg";
    FILE *f = std::fopen(out.c_str(), "wb");
    if (!f || std::fwrite(jpeg, 1, jpegSize, f) != jpegSize) {
      std::fprintf(stderr, "%s: cannot write\n", out.c_str());
      ++failures;
    }
    if (f)
      std::fclose(f);
    tjFree(jpeg);
  }
  tjDestroy(dec);
  tjDestroy(enc);
  return failures ? 1 : 0;
}
