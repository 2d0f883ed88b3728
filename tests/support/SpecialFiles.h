#pragma once

// Files that are not regular files, made in a test's own folder: a FIFO
// nobody writes to, a character device, a socket.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace zel::test {

// A FIFO without a writer. A reader that blocks on it would wait forever:
// should one still wait after 20 seconds, a writer comes and goes, which
// ends the wait, and hadToUnblock() says so. A test then fails rather than
// hangs.
class UnwrittenFifo
{
public:
    explicit UnwrittenFifo(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        m_made = ::mkfifo(m_path.constData(), 0644) == 0;
        if (m_made)
            m_guard = std::thread([this] { watch(); });
    }
    ~UnwrittenFifo() { stop(); }
    UnwrittenFifo(const UnwrittenFifo &) = delete;
    UnwrittenFifo &operator=(const UnwrittenFifo &) = delete;

    bool made() const { return m_made; }
    // Ends the watch; true when a reader had blocked on the FIFO.
    bool hadToUnblock()
    {
        stop();
        return m_unblocked;
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return m_stopped; })) {
            // Without a reader waiting, this open fails and changes nothing.
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                m_unblocked = true;
                ::close(fd);
            }
        }
    }
    void stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_wake.notify_all();
        if (m_guard.joinable())
            m_guard.join();
    }

    QByteArray m_path;
    bool m_made = false;
    bool m_unblocked = false;
    bool m_stopped = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_guard;
};

// A character device like /dev/null (1, 3). False when this user may not
// make devices (it takes root, or CAP_MKNOD).
inline bool makeNullDevice(const QString &path)
{
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

// A Unix socket's file; it stays once the socket itself is closed.
inline bool makeSocketFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    if (size_t(native.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

} // namespace zel::test
