#include "engine/heif_boxes.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace kuvo {

namespace {

// A view of a byte range with big-endian reads that fail instead of
// reading past the end.
struct Span {
  const unsigned char *data = nullptr;
  std::uint64_t size = 0;

  std::optional<std::uint32_t> u(std::uint64_t at, int bytes) const {
    if (at > size || size - at < std::uint64_t(bytes))
      return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
      v = (v << 8) | data[at + i];
    return v;
  }
  bool typeIs(std::uint64_t at, const char *fourcc) const {
    return at <= size && size - at >= 4 && std::memcmp(data + at, fourcc, 4) == 0;
  }
};

struct Box {
  char type[5] = {};
  Span body; // after the size and type fields
};

// The boxes directly inside span, in order; stops at the first box that does
// not fit (a damaged file gives what could be read).
std::vector<Box> childBoxes(const Span &span) {
  std::vector<Box> boxes;
  std::uint64_t at = 0;
  while (boxes.size() < 4096) {
    const auto size32 = span.u(at, 4);
    if (!size32 || !span.u(at + 4, 4))
      break;
    std::uint64_t header = 8, size = *size32;
    if (size == 1) {
      const auto hi = span.u(at + 8, 4), lo = span.u(at + 12, 4);
      if (!hi || !lo)
        break;
      size = (std::uint64_t(*hi) << 32) | *lo;
      header = 16;
    } else if (size == 0) {
      size = span.size - at; // to the end
    }
    if (size < header || size > span.size - at)
      break;
    Box box;
    std::memcpy(box.type, span.data + at + 4, 4);
    box.body = Span{span.data + at + header, size - header};
    boxes.push_back(box);
    at += size;
  }
  return boxes;
}

const Box *find(const std::vector<Box> &boxes, const char *type) {
  for (const Box &b : boxes)
    if (std::memcmp(b.type, type, 4) == 0)
      return &b;
  return nullptr;
}

} // namespace

bool hasHeifSignature(const QByteArray &head) {
  const Span s{reinterpret_cast<const unsigned char *>(head.constData()), std::uint64_t(head.size())};
  if (!s.typeIs(4, "ftyp"))
    return false;
  static const char *const brands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm",
                                       "hevs", "mif1", "msf1", "mif2", "miaf", "avif", "avis"};
  for (const char *brand : brands)
    if (s.typeIs(8, brand))
      return true;
  return false;
}

bool heifPrimaryIsTransformed(const QByteArray &data) {
  const Span file{reinterpret_cast<const unsigned char *>(data.constData()), std::uint64_t(data.size())};
  const std::vector<Box> top = childBoxes(file);
  const Box *meta = find(top, "meta");
  if (!meta || meta->body.size < 4)
    return false;
  // meta is a full box: version and flags come first.
  const std::vector<Box> inMeta = childBoxes(Span{meta->body.data + 4, meta->body.size - 4});
  const Box *pitm = find(inMeta, "pitm");
  const Box *iprp = find(inMeta, "iprp");
  if (!pitm || !iprp)
    return false;
  const auto pitmVersion = pitm->body.u(0, 1);
  const auto primary = pitmVersion && *pitmVersion == 0 ? pitm->body.u(4, 2) : pitm->body.u(4, 4);
  if (!primary)
    return false;
  const std::vector<Box> inIprp = childBoxes(iprp->body);
  const Box *ipco = find(inIprp, "ipco");
  if (!ipco)
    return false;
  const std::vector<Box> properties = childBoxes(ipco->body);
  auto transforms = [&properties](std::uint32_t index) { // 1-based; 0 means none
    if (index == 0 || index > properties.size())
      return false;
    const Box &p = properties[index - 1];
    if (std::memcmp(p.type, "imir", 4) == 0)
      return true;
    if (std::memcmp(p.type, "irot", 4) == 0) {
      const auto angle = p.body.u(0, 1);
      return angle && (*angle & 3) != 0;
    }
    return false;
  };
  // Every ipma box is read: a file may split the associations.
  for (const Box &ipma : inIprp) {
    if (std::memcmp(ipma.type, "ipma", 4) != 0)
      continue;
    const Span &s = ipma.body;
    const auto version = s.u(0, 1), flags = s.u(1, 3), count = s.u(4, 4);
    if (!version || !flags || !count)
      continue;
    const int idBytes = *version < 1 ? 2 : 4;
    const int assocBytes = (*flags & 1) ? 2 : 1;
    std::uint64_t at = 8;
    for (std::uint32_t e = 0; e < *count; ++e) {
      const auto item = s.u(at, idBytes);
      const auto n = s.u(at + idBytes, 1);
      if (!item || !n)
        break;
      at += idBytes + 1;
      for (std::uint32_t a = 0; a < *n; ++a, at += assocBytes) {
        const auto assoc = s.u(at, assocBytes);
        if (!assoc)
          return false;
        const std::uint32_t index = *assoc & (assocBytes == 2 ? 0x7FFF : 0x7F);
        if (*item == *primary && transforms(index))
          return true;
      }
    }
  }
  return false;
}

} // namespace kuvo
