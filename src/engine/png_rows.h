#pragma once
// Reading a PNG row by row, top to bottom, straight into the resampler: the
// whole picture is never held, so a batch of large PNG photos neither maps
// nor clears a full-size buffer for each one.
#include <QByteArray>
#include <QSize>

#include <memory>

namespace kuvo {

class PngRowReader {
public:
  // A reader for the common photo PNG (8 bits per sample, RGB or grey, not
  // interlaced, no transparency), rows as Format_RGB32 pixels exactly as
  // Qt's reader gives them; nullptr for every other PNG and for anything
  // that is not one (those take the whole-picture path). data must outlive
  // the reader.
  static std::unique_ptr<PngRowReader> open(const QByteArray &data);
  ~PngRowReader();
  PngRowReader(const PngRowReader &) = delete;
  PngRowReader &operator=(const PngRowReader &) = delete;

  QSize size() const { return size_; }
  // Row y as 4 bytes a pixel; valid until the next call. Rows are asked for
  // in rising order (the same row again is fine); nullptr for a row already
  // passed, past the end, or when the data is damaged.
  const unsigned char *row(int y);

  struct State; // libpng's structures and the read position

private:
  explicit PngRowReader(std::unique_ptr<State> state, QSize size);
  std::unique_ptr<State> state_;
  QSize size_;
  int next_ = 0; // the row the next read gives
  bool failed_ = false;
};

} // namespace kuvo
