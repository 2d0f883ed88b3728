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

InputError openForReading(QFile &file, const QString &path, QString *error)
{
    const auto failed = [error](InputError kind, int reason) {
        if (error)
            *error = kind == InputError::NotRegularFile ? QStringLiteral("not a regular file")
                                                        : systemError(reason);
        return kind;
    };
    const QByteArray native = encodePath(path);
    // Opening some devices is itself an act (a tape rewinds, a watchdog
    // starts): what is known to be none of ours is not opened at all.
    struct stat info;
    if (::stat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return failed(InputError::NotRegularFile, 0);
    // Non-blocking, so that a FIFO put in its place meanwhile does not
    // wait for a writer; fstat then says what was opened.
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return failed(InputError::System, errno);
    InputError kind = InputError::None;
    int reason = 0;
    if (::fstat(fd, &info) != 0) {
        kind = InputError::System;
        reason = errno;
    } else if (S_ISDIR(info.st_mode)) {
        kind = InputError::System;
        reason = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        kind = InputError::NotRegularFile;
    } else {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            kind = InputError::System;
            reason = errno;
        } else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            kind = InputError::System;
            reason = EIO;
        }
    }
    if (kind == InputError::None)
        return kind;
    ::close(fd);
    return failed(kind, reason);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace zel
