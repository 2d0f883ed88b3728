#include "DescriptorOutput.h"

#include "NativePath.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace zel {

namespace {

constexpr size_t kBufferSize = size_t(256) * 1024;

} // namespace

DescriptorOutput::DescriptorOutput(int fd, const QString &name)
    : m_fd(fd)
    , m_name(name)
{
}

DescriptorOutput::~DescriptorOutput() = default;

bool DescriptorOutput::open()
{
    m_error = 0;
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags < 0) {
        fail(errno, "cannot write");
        return false;
    }
    if ((flags & O_ACCMODE) == O_RDONLY) {
        fail(EBADF, "cannot write");
        return false;
    }
    m_buffer.clear();
    m_buffer.reserve(kBufferSize);
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

qint64 DescriptorOutput::readData(char *, qint64)
{
    return -1;
}

qint64 DescriptorOutput::writeData(const char *data, qint64 size)
{
    if (m_error != 0)
        return -1;
    if (size <= 0)
        return 0;
    if (m_buffer.size() + size_t(size) <= kBufferSize) {
        m_buffer.insert(m_buffer.end(), data, data + size);
        return size;
    }
    if (!flush())
        return -1;
    if (size_t(size) < kBufferSize) {
        m_buffer.insert(m_buffer.end(), data, data + size);
        return size;
    }
    return writeOut(data, size) ? size : -1;
}

bool DescriptorOutput::flush()
{
    if (m_error != 0)
        return false;
    const bool ok = writeOut(m_buffer.data(), qint64(m_buffer.size()));
    m_buffer.clear();
    return ok;
}

bool DescriptorOutput::writeOut(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(qMin<qint64>(size, 1 << 30)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            // A descriptor another program made non-blocking: wait until it
            // takes more rather than give up on a reader that is merely slow.
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pollfd ready{m_fd, POLLOUT, 0};
                if (::poll(&ready, 1, -1) >= 0 || errno == EINTR)
                    continue;
            }
            fail(errno, "write failed");
            return false;
        }
        if (written == 0) {
            fail(ENOSPC, "write failed");
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

void DescriptorOutput::fail(int error, const char *what)
{
    if (m_error != 0)
        return; // the first reason is the one that counts
    m_error = error;
    m_reason = systemError(error);
    setErrorString(QStringLiteral("%1: %2: %3").arg(m_name, QLatin1String(what), m_reason));
}

} // namespace zel
