#pragma once
// ExifReader: finds the EXIF block of a JPEG, walks its directories once and
// keeps every directory entry in a flat list; callers ask for a tag's value
// by number. Plain C++ on a byte array, so it can be fuzzed on its own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace kuvo {

class ExifReader {
public:
  // Empty, a 32-bit integer or a string (bytes taken as characters).
  using Value = std::variant<std::monostate, std::int32_t, std::string>;

  // One directory entry, in walk order. A record reserved for a directory
  // whose walk ended before reaching it stays blank (tag 0, type 0).
  struct Entry {
    std::int32_t tag = 0;
    bool makerNote = false;   // never set by the walk
    std::int32_t type = 0;    // TIFF field type as stored
    std::int32_t count = 0;   // number of values as stored
    std::int32_t offset = 0;  // value offset from the TIFF start when out of line, else 0
    std::array<unsigned char, 4> field{};  // the entry's value field, file order
    std::uint32_t source = 0;  // which Load the record came from
  };

  // The file to read; Load and Tag use it.
  std::string picFile;

  // Sets picFile from path when it is empty, then reads that whole file and
  // walks its EXIF directories. Reports nothing: see loaded() and Tag().
  void Load(const std::string &path);

  // The same for a file already in memory; the bytes are copied.
  void LoadBytes(const unsigned char *data, std::size_t size);
  // Without a copy: data must stay valid as long as the reader is used.
  void LoadBorrowed(const unsigned char *data, std::size_t size);

  // Tag 0: the number of records. Otherwise the value of the first record
  // with that tag, empty when none. An unloaded reader with a picFile tries
  // Load again first.
  Value Tag(std::int32_t tag);

  // The first maker-note record with that tag (none are ever read).
  Value MakerNoteTag(std::int32_t tag) const;

  bool loaded() const { return m_loaded; }
  // The records in walk order, except blank ones at the very end: those are
  // only counted by recordCount() (and Tag(0)).
  const std::vector<Entry> &entries() const { return m_entries; }
  std::size_t recordCount() const { return m_entries.size() + m_blankTail; }
  // The decoded value of one record (0-based index into entries()).
  Value entryValue(std::size_t index) const;

  // Empty -> "", integer -> decimal text, string as it is.
  static std::string toText(const Value &value);

private:
  // The bytes of one Load. Values are decoded from them on demand, so a
  // hostile file cannot make the reader hold more than its own entries.
  struct Source {
    std::vector<unsigned char> owned;
    const unsigned char *data = nullptr;
    std::size_t size = 0;  // file length; the byte array has one more, zero, element
    std::int64_t tiff = 0; // index of the TIFF header: offsets count from here
    bool intel = false;

    bool has(std::int64_t index, std::int64_t length) const;
    unsigned byteAt(std::int64_t index) const { return index < std::int64_t(size) ? data[index] : 0u; }
    unsigned read16(std::int64_t index) const;
    bool read32(std::int64_t index, std::int32_t &out) const;
  };

  void walk(Source src);
  bool walkDirectory(std::int64_t p, std::uint32_t &count);
  bool readEntry(const Source &src, std::int64_t e, Entry &entry) const;

  std::vector<Source> m_sources;
  bool m_loaded = false;
  std::int64_t m_app1 = 0;  // index of the 0xFF of the APP1 marker
  std::int32_t m_exifOffset = 0;
  std::vector<Entry> m_entries;
  std::size_t m_blankTail = 0; // reserved blank records after m_entries
  // Byte ranges [start, end) of the directory tables read by this walk.
  std::map<std::int64_t, std::int64_t> m_walked;
};

// Puts width - length copies of padChar in front of a shorter text.
std::string PadLeft(const std::string &text, std::size_t width, char padChar);

} // namespace kuvo
