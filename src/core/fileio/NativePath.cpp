#include "NativePath.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zel {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF stand for bytes 0x80..0xFF

// The length of the valid UTF-8 sequence starting at p, or 0.
int validSequence(const unsigned char *p, qsizetype left)
{
    const unsigned char c = p[0];
    int length = 0;
    char32_t value = 0;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid.
    if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF))
        || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString decodePath(const QByteArray &native)
{
    QString path;
    path.reserve(native.size());
    const auto *bytes = reinterpret_cast<const unsigned char *>(native.constData());
    const qsizetype size = native.size();
    qsizetype i = 0;
    while (i < size) {
        const int length = validSequence(bytes + i, size - i);
        if (length == 0) {
            path += QChar(char16_t(kEscapeBase + bytes[i]));
            ++i;
        } else {
            path += QString::fromUtf8(native.constData() + i, length);
            i += length;
        }
    }
    return path;
}

QByteArray encodePath(const QString &path)
{
    QByteArray native;
    native.reserve(path.size());
    const qsizetype size = path.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= size; ++i) {
        const bool escaped = i < size && path[i].unicode() >= kEscapeBase + 0x80
                             && path[i].unicode() <= kEscapeBase + 0xFF
                             && !(i > 0 && path[i - 1].isHighSurrogate());
        if (i < size && !escaped)
            continue;
        native += QStringView(path).mid(start, i - start).toUtf8();
        if (escaped)
            native += char(path[i].unicode() - kEscapeBase);
        start = i + 1;
    }
    return native;
}

bool openForReading(QFile &file, const QString &path, QString *error)
{
    const QByteArray native = encodePath(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    int failure = fd < 0 ? errno : 0;
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
        failure = EISDIR;
    if (failure == 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    if (failure == 0)
        failure = EIO;
    if (fd >= 0 && !file.isOpen())
        ::close(fd);
    if (error)
        *error = systemError(failure);
    return false;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace zel
