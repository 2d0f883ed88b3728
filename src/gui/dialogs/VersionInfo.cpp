#include "VersionInfo.h"

#include "ZelvaneVersionValues.h"

#include <QFile>
#include <QIODevice>

#include <string_view>

namespace zel {

namespace {

// --- The block compiled into the program -----------------------------------

constexpr std::string_view kEmbeddedRecords[][2] = {
    {"\\StringFileInfo\\041103A4\\FileVersion", ZELVANE_FILE_VERSION},
    {"\\StringFileInfo\\041103A4\\LegalCopyright", ZELVANE_LEGAL_COPYRIGHT},
    {"\\StringFileInfo\\041103A4\\ProductName", ZELVANE_PRODUCT_NAME},
    {"\\StringFileInfo\\041103A4\\ProductVersion", ZELVANE_FILE_VERSION},
};

constexpr std::size_t embeddedPayloadSize()
{
    std::size_t size = 1; // the empty path at the end
    for (const auto &record : kEmbeddedRecords)
        size += record[0].size() + 1 + record[1].size() + 1;
    return size;
}

constexpr void putLittleEndian(unsigned char *at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

constexpr auto buildEmbeddedBlock()
{
    std::array<unsigned char, kVersionBlockHeaderSize + embeddedPayloadSize()> block{};
    for (std::size_t i = 0; i < kVersionBlockMagic.size(); ++i)
        block[i] = kVersionBlockMagic[i];
    unsigned char *payload = block.data() + kVersionBlockHeaderSize;
    std::size_t at = 0;
    for (const auto &record : kEmbeddedRecords) {
        for (const std::string_view text : record) {
            for (const char c : text)
                payload[at++] = static_cast<unsigned char>(c);
            payload[at++] = 0;
        }
    }
    payload[at++] = 0;
    putLittleEndian(block.data() + 16, kVersionBlockFormat);
    putLittleEndian(block.data() + 20, quint32(at));
    putLittleEndian(block.data() + 24, versionBlockHash(payload, at));
    return block;
}

static_assert(embeddedPayloadSize() <= kMaxVersionPayload);

// Kept in a section of its own so that it survives in the program file and
// is easy to find with binary tools (objdump -s -j .zelvane_version).
[[gnu::used, gnu::section(".zelvane_version")]] constinit const auto kEmbeddedBlock =
    buildEmbeddedBlock();

// --- Reading a block --------------------------------------------------------

quint32 readLittleEndian(const char *at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value |= quint32(static_cast<unsigned char>(at[i])) << (8 * i);
    return value;
}

QByteArrayView magicBytes()
{
    return QByteArrayView(reinterpret_cast<const char *>(kVersionBlockMagic.data()),
                          qsizetype(kVersionBlockMagic.size()));
}

// The records of a valid block at the front of bytes.
std::optional<QByteArrayView> validRecords(QByteArrayView bytes)
{
    if (bytes.size() < qsizetype(kVersionBlockHeaderSize) || !bytes.startsWith(magicBytes()))
        return std::nullopt;
    const char *header = bytes.data();
    if (readLittleEndian(header + 16) != kVersionBlockFormat)
        return std::nullopt;
    const quint32 size = readLittleEndian(header + 20);
    if (size == 0 || size > kMaxVersionPayload
        || qsizetype(size) > bytes.size() - qsizetype(kVersionBlockHeaderSize))
        return std::nullopt;
    const QByteArrayView payload = bytes.sliced(qsizetype(kVersionBlockHeaderSize), size);
    const auto *data = reinterpret_cast<const unsigned char *>(payload.data());
    if (versionBlockHash(data, size) != readLittleEndian(header + 24))
        return std::nullopt;
    // Whole records only, the last being the empty path.
    qsizetype at = 0;
    for (;;) {
        const qsizetype pathEnd = payload.indexOf('\0', at);
        if (pathEnd < 0)
            return std::nullopt;
        if (pathEnd == at)
            return pathEnd + 1 == payload.size() ? std::optional(payload) : std::nullopt;
        const qsizetype valueEnd = payload.indexOf('\0', pathEnd + 1);
        if (valueEnd < 0)
            return std::nullopt;
        at = valueEnd + 1;
    }
}

std::optional<QString> lookUp(QByteArrayView records, const QByteArray &path)
{
    qsizetype at = 0;
    for (;;) {
        const qsizetype pathEnd = records.indexOf('\0', at);
        if (pathEnd <= at)
            return std::nullopt;
        const qsizetype valueEnd = records.indexOf('\0', pathEnd + 1);
        if (records.sliced(at, pathEnd - at) == path)
            return QString::fromUtf8(records.sliced(pathEnd + 1, valueEnd - pathEnd - 1));
        at = valueEnd + 1;
    }
}

VersionStrings stringsFrom(QByteArrayView records)
{
    const QByteArray table(kVersionTable);
    VersionStrings strings;
    strings.version = lookUp(records, table + "FileVersion").value_or(QString());
    strings.copyright = lookUp(records, table + "LegalCopyright").value_or(QString());
    return strings;
}

} // namespace

QByteArray makeVersionBlock(const QList<std::pair<QString, QString>> &records)
{
    QByteArray payload;
    for (const auto &[path, value] : records) {
        payload += path.toUtf8();
        payload += '\0';
        payload += value.toUtf8();
        payload += '\0';
    }
    payload += '\0';
    QByteArray block(magicBytes().data(), magicBytes().size());
    block.resize(qsizetype(kVersionBlockHeaderSize));
    auto *header = reinterpret_cast<unsigned char *>(block.data());
    putLittleEndian(header + 16, kVersionBlockFormat);
    putLittleEndian(header + 20, quint32(payload.size()));
    putLittleEndian(header + 24,
                    versionBlockHash(reinterpret_cast<const unsigned char *>(payload.constData()),
                                     std::size_t(payload.size())));
    return block + payload;
}

std::optional<QString> queryVersionValue(QByteArrayView bytes, const QString &path)
{
    const auto records = validRecords(bytes);
    if (!records)
        return std::nullopt;
    return lookUp(*records, path.toUtf8());
}

VersionStrings readVersionStrings(QIODevice &file)
{
    if (!file.isOpen() || !file.isReadable() || file.isSequential())
        return {};
    // Scanned a chunk at a time; chunks overlap by a magic less one byte so
    // that a magic across a boundary is still seen.
    constexpr qint64 kChunk = 1 << 20;
    const QByteArrayView magic = magicBytes();
    const qint64 size = file.size();
    for (qint64 start = 0; start < size; start += kChunk) {
        if (!file.seek(start))
            return {};
        const QByteArray chunk = file.read(kChunk + magic.size() - 1);
        for (qsizetype hit = chunk.indexOf(magic); hit >= 0 && hit < kChunk;
             hit = chunk.indexOf(magic, hit + 1)) {
            if (!file.seek(start + hit))
                return {};
            const QByteArray candidate =
                file.read(qint64(kVersionBlockHeaderSize + kMaxVersionPayload));
            if (const auto records = validRecords(candidate))
                return stringsFrom(*records);
        }
    }
    return {};
}

VersionStrings GetVersionStrings(const QString &filePath)
{
    QFile file(filePath);
    if (filePath.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return readVersionStrings(file);
}

QByteArrayView embeddedVersionBlock()
{
    return QByteArrayView(reinterpret_cast<const char *>(kEmbeddedBlock.data()),
                          qsizetype(kEmbeddedBlock.size()));
}

} // namespace zel
