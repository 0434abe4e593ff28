#pragma once
// A .docx file opened read-only as the zip package it is. Parts are read as
// streams, so a large picture part never has to fit in memory.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <memory>

struct zip;

namespace kuvo {

class DocxPackage {
public:
  explicit DocxPackage(const QString &path);
  // Reads from memory; bytes must outlive the package.
  explicit DocxPackage(const QByteArray &bytes);
  ~DocxPackage();
  DocxPackage(const DocxPackage &) = delete;
  DocxPackage &operator=(const DocxPackage &) = delete;

  bool isOpen() const { return zip_ != nullptr; }
  // The part's size as the archive states it, or -1 when it is missing.
  qint64 partSize(const QString &name) const;
  // A sequential reader of the part that fails once it has delivered more
  // than limit bytes (the archive's stated size may lie). Null when the part
  // is missing or cannot be opened.
  std::unique_ptr<QIODevice> openPart(const QString &name, qint64 limit) const;
  // The whole part, or an empty array when it is missing or larger than limit.
  QByteArray readPart(const QString &name, qint64 limit) const;

private:
  ::zip *zip_ = nullptr;
};

} // namespace kuvo
