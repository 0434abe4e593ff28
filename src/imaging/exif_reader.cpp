#include "imaging/exif_reader.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

namespace kuvo {

namespace {

constexpr std::int32_t ExifIfdPointer = 34665;
constexpr std::int64_t EntrySize = 12;

// Decimal texts of bytes, concatenated without separators.
std::string decimalBytes(const unsigned char *p, std::size_t n, bool trailingZero) {
  std::string out;
  out.reserve(n * 3);
  for (std::size_t i = 0; i < n; ++i)
    out += std::to_string(unsigned(p[i]));
  if (trailingZero)
    out += '0';
  return out;
}

} // namespace

std::string PadLeft(const std::string &text, std::size_t width, char padChar) {
  if (text.size() >= width)
    return text;
  return std::string(width - text.size(), padChar) + text;
}

// The byte array runs from 0 to the file length inclusive: one zero element
// past the file's last byte can be read like any other.
bool ExifReader::Source::has(std::int64_t index, std::int64_t length) const {
  return index >= 0 && length >= 0 && length <= std::int64_t(size) + 1 - index;
}

unsigned ExifReader::Source::read16(std::int64_t index) const {
  const unsigned a = byteAt(index), b = byteAt(index + 1);
  return intel ? (a | b << 8) : (a << 8 | b);
}

// A 4-byte number must have a most significant byte below 0x80.
bool ExifReader::Source::read32(std::int64_t index, std::int32_t &out) const {
  if (!has(index, 4))
    return false;
  unsigned b[4];
  for (int i = 0; i < 4; ++i)
    b[i] = byteAt(index + (intel ? 3 - i : i)); // most significant first
  if (b[0] >= 0x80)
    return false;
  out = std::int32_t(b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3]);
  return true;
}

void ExifReader::Load(const std::string &path) {
  if (picFile.empty())
    picFile = path;
  std::ifstream in(picFile, std::ios::binary);
  if (!in)
    return;
  Source src;
  src.owned.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad())
    return;
  walk(std::move(src));
}

void ExifReader::LoadBytes(const unsigned char *data, std::size_t size) {
  Source src;
  if (data && size)
    src.owned.assign(data, data + size);
  walk(std::move(src));
}

void ExifReader::LoadBorrowed(const unsigned char *data, std::size_t size) {
  Source src;
  src.data = data;
  src.size = data ? size : 0;
  walk(std::move(src));
}

void ExifReader::walk(Source src) {
  if (!src.owned.empty() || !src.data) {
    src.data = src.owned.data();
    src.size = src.owned.size();
  }
  // A JPEG starts with the SOI marker.
  if (src.byteAt(0) != 0xFF || src.byteAt(1) != 0xD8)
    return;
  // The first 0xFF 0xE1 pair anywhere after the SOI is taken as the APP1
  // marker: a plain byte scan, not a walk over the segments.
  std::int64_t app1 = 0;
  for (std::size_t i = 2; i + 1 < src.size;) {
    const void *hit = std::memchr(src.data + i, 0xFF, src.size - 1 - i);
    if (!hit)
      break;
    i = std::size_t(static_cast<const unsigned char *>(hit) - src.data);
    if (src.data[i + 1] == 0xE1) {
      app1 = std::int64_t(i);
      break;
    }
    ++i;
  }
  if (app1 == 0)
    return;
  for (int i = 0; i < 4; ++i)
    if (src.byteAt(app1 + 4 + i) != static_cast<unsigned char>("Exif"[i]))
      return;
  src.tiff = app1 + 10;
  if (!src.has(src.tiff, 1))
    return;
  src.intel = src.byteAt(src.tiff) == 0x49;
  std::int32_t ifd0 = 0;
  if (!src.read32(src.tiff + 4, ifd0))
    return;

  m_app1 = app1;
  m_loaded = true;
  // A second walk appends after the blanks the first one left.
  m_entries.resize(m_entries.size() + m_blankTail);
  m_blankTail = 0;
  m_sources.push_back(std::move(src));
  const Source &s = m_sources.back(); // moving keeps the owned buffer where it was

  // IFD0, IFD1 ... along the next-directory offsets; at the end of that
  // chain the Exif sub-IFD once, whose own next offset is not followed.
  m_walked.clear();
  std::int64_t p = s.tiff + ifd0;
  bool inExif = false;
  for (;;) {
    std::uint32_t n = 0;
    if (!walkDirectory(p, n) || inExif)
      return;
    std::int32_t next = 0;
    if (!s.read32(p + 2 + EntrySize * n, next))
      return;
    if (next != 0) {
      p = s.tiff + next;
    } else if (m_exifOffset != 0) {
      p = s.tiff + m_exifOffset;
      inExif = true;
    } else {
      return;
    }
  }
}

// Reads the directory at p into the entry list. False ends the walk: a read
// beyond the byte array, a number with its top bit set, or a directory lying
// over one already read (a loop in the chain).
bool ExifReader::walkDirectory(std::int64_t p, std::uint32_t &count) {
  const std::uint32_t source = std::uint32_t(m_sources.size() - 1);
  const Source &s = m_sources.back();
  if (!s.has(p, 2))
    return false;
  count = s.read16(p);
  const std::int64_t end = p + 2 + EntrySize * count;
  auto after = m_walked.lower_bound(p);
  if (after != m_walked.end() && after->first < end)
    return false;
  if (after != m_walked.begin() && std::prev(after)->second > p)
    return false;
  m_walked.emplace(p, end);

  // The whole directory is reserved at once; records the walk does not
  // reach stay blank. Blank records at the end of the list are only
  // counted, since a bad count may reserve 65535 of them.
  const std::size_t base = m_entries.size();
  m_blankTail = count;
  m_entries.reserve(base + std::min<std::size_t>(count, s.size / EntrySize + 1));
  for (std::uint32_t i = 0; i < count; ++i) {
    Entry entry;
    entry.source = source;
    if (!readEntry(s, p + 2 + EntrySize * i, entry))
      return false;
    m_entries.push_back(entry);
    --m_blankTail;
    if (entry.tag == ExifIfdPointer) {
      const Value v = entryValue(base + i);
      m_exifOffset = std::holds_alternative<std::int32_t>(v) ? std::get<std::int32_t>(v) : 0;
    }
  }
  return true;
}

// Reads one 12-byte entry and checks that its value can be decoded; the
// decoding itself happens when the value is asked for.
bool ExifReader::readEntry(const Source &s, std::int64_t e, Entry &entry) const {
  if (!s.has(e, EntrySize))
    return false;
  entry.tag = std::int32_t(s.read16(e));
  entry.type = std::int32_t(s.read16(e + 2));
  if (!s.read32(e + 4, entry.count))
    return false;
  for (int i = 0; i < 4; ++i)
    entry.field[std::size_t(i)] = static_cast<unsigned char>(s.byteAt(e + 8 + i));

  const std::int64_t count = entry.count;
  std::int64_t unit = 0;      // bytes per value for the inline test
  std::int64_t dataBytes = 0; // bytes read at the value offset
  switch (entry.type) {
  case 1: case 6:
    unit = 1;
    dataBytes = count;
    break;
  case 2: case 7:
    unit = 1;
    dataBytes = s.intel ? count - 1 : count;
    break;
  case 3: case 8:
    unit = 2;
    dataBytes = count;
    break;
  case 4: case 9:
    unit = 4;
    dataBytes = count;
    break;
  case 5: case 10:
    unit = 0;
    dataBytes = 8;
    break;
  default:
    return true; // FLOAT, DOUBLE, unknown: no value
  }
  if (unit != 0) {
    if (count * unit > std::numeric_limits<std::int32_t>::max())
      return false; // the size of the value does not fit 32 bits
    if (count * unit <= 4) {
      std::int32_t v = 0;
      return unit != 4 || s.read32(e + 8, v); // an inline LONG obeys the top-bit rule
    }
  }
  std::int32_t offset = 0;
  if (!s.read32(e + 8, offset) || !s.has(s.tiff + offset, dataBytes))
    return false;
  if (unit == 0) {
    std::int32_t numerator = 0, denominator = 0;
    if (!s.read32(s.tiff + offset, numerator) || !s.read32(s.tiff + offset + 4, denominator))
      return false;
  }
  entry.offset = offset;
  return true;
}

ExifReader::Value ExifReader::entryValue(std::size_t index) const {
  if (index >= m_entries.size())
    return {};
  const Entry &entry = m_entries[index];
  if (entry.type == 0 || entry.source >= m_sources.size())
    return {};
  const Source &s = m_sources[entry.source];
  const auto &f = entry.field;
  const std::int64_t count = entry.count;
  const std::int64_t at = s.tiff + entry.offset;
  // Out-of-line data; the zero element past the file's end may be part of it.
  auto bytes = [&](std::int64_t n, bool asText) -> std::string {
    const std::int64_t inFile = std::min<std::int64_t>(n, std::int64_t(s.size) - at);
    const bool tail = inFile < n;
    if (asText) {
      std::string out(reinterpret_cast<const char *>(s.data + at), std::size_t(inFile));
      if (tail)
        out += '\0';
      return out;
    }
    return decimalBytes(s.data + at, std::size_t(inFile), tail);
  };
  switch (entry.type) {
  case 1: case 6:
    if (count <= 4) {
      static const char digits[] = "0123456789ABCDEF";
      std::string out;
      for (unsigned char b : f) {
        std::string hex;
        if (b >= 16)
          hex += digits[b >> 4];
        hex += digits[b & 15];
        out += PadLeft(hex, 2, '0');
      }
      return out;
    }
    return bytes(count, false);
  case 2: case 7:
    if (count <= 4)
      return std::string(reinterpret_cast<const char *>(f.data()), 4);
    return bytes(s.intel ? count - 1 : count, true);
  case 3: case 8:
    if (count * 2 <= 4) {
      const unsigned first = s.intel ? (f[0] | f[1] << 8) : (f[0] << 8 | f[1]);
      const unsigned second = s.intel ? (f[2] | f[3] << 8) : (f[2] << 8 | f[3]);
      return std::int32_t(first + second);
    }
    return bytes(count, false);
  case 4: case 9:
    if (count * 4 <= 4)
      return s.intel ? std::int32_t(f[3] << 24 | f[2] << 16 | f[1] << 8 | f[0])
                     : std::int32_t(f[0] << 24 | f[1] << 16 | f[2] << 8 | f[3]);
    return bytes(count, false);
  case 5: case 10: {
    std::int32_t numerator = 0, denominator = 0;
    s.read32(at, numerator);
    s.read32(at + 4, denominator);
    return std::to_string(numerator) + "/" + std::to_string(denominator);
  }
  default:
    return {};
  }
}

ExifReader::Value ExifReader::Tag(std::int32_t tag) {
  if (!m_loaded) {
    if (picFile.empty())
      return {};
    Load(picFile);
  }
  if (tag == 0)
    return std::int32_t(recordCount());
  for (std::size_t i = 0; i < m_entries.size(); ++i)
    if (m_entries[i].tag == tag)
      return entryValue(i);
  return {};
}

ExifReader::Value ExifReader::MakerNoteTag(std::int32_t tag) const {
  if (!m_loaded)
    return {};
  for (std::size_t i = 0; i < m_entries.size(); ++i)
    if (m_entries[i].makerNote && m_entries[i].tag == tag)
      return entryValue(i);
  return {};
}

std::string ExifReader::toText(const Value &value) {
  if (const auto *i = std::get_if<std::int32_t>(&value))
    return std::to_string(*i);
  if (const auto *s = std::get_if<std::string>(&value))
    return *s;
  return {};
}

} // namespace kuvo
