#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

class QIODevice;

namespace zel {

// The program's version information travels inside the program file as one
// block of bytes, read back from the file the way a version resource is:
//
//   16 bytes  kVersionBlockMagic
//   4 bytes   format (1), little-endian
//   4 bytes   payload size, little-endian, at most kMaxVersionPayload
//   4 bytes   FNV-1a hash of the payload, little-endian
//   payload   records: a query path and its value, each UTF-8 and ended by a
//             zero byte; an empty path ends the records
//
// A query path names a string table by language and code page, as in
// "\StringFileInfo\041103A4\FileVersion". The magic bytes can turn up
// elsewhere in a program file too; only a block whose size, hash and records
// all check out counts.
inline constexpr std::array<unsigned char, 16> kVersionBlockMagic{
    0x89, 'Z', 'E', 'L', 'V', 'A', 'N', 'E', '-', 'V', 'E', 'R', 0x0D, 0x0A, 0x1A, 0x0A};
inline constexpr quint32 kVersionBlockFormat = 1;
inline constexpr std::size_t kVersionBlockHeaderSize = 28;
inline constexpr std::size_t kMaxVersionPayload = 64 * 1024;

constexpr quint32 versionBlockHash(const unsigned char *data, std::size_t size)
{
    quint32 hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

// The string table the program reads: Japanese, code page 932.
inline constexpr char kVersionTable[] = "\\StringFileInfo\\041103A4\\";

struct VersionStrings {
    QString version;
    QString copyright;
};

// A block holding the given (query path, value) records, for tests and tools.
QByteArray makeVersionBlock(const QList<std::pair<QString, QString>> &records);

// The value stored under path in a block that starts at the front of bytes,
// or nothing when the block is not valid or has no such path.
std::optional<QString> queryVersionValue(QByteArrayView bytes, const QString &path);

// FileVersion and LegalCopyright of table "041103A4" from the first valid
// block in a file's bytes; what is missing stays empty.
VersionStrings readVersionStrings(QIODevice &file);
VersionStrings GetVersionStrings(const QString &filePath);

// The embedded block of this program, as compiled in.
QByteArrayView embeddedVersionBlock();

} // namespace zel
