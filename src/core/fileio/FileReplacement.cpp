#include "FileReplacement.h"

#include "DescriptorOutput.h"
#include "NativePath.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zel {

namespace {

QByteArray folderOf(const QByteArray &file)
{
    const qsizetype slash = file.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : file.left(slash);
}

// Linux's own bound on links followed in one name.
constexpr int kMaxLinks = 40;

// The file a write under native lands on. Links are followed one by one
// rather than by realpath, so that a link whose target is missing leads to
// the name to create and stays a link. A relative target counts from its
// own link's folder. Empty with *error when the links go round.
QByteArray followLinks(const QByteArray &native, int *error)
{
    QByteArray current = native;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat info;
        if (::lstat(current.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current; // what is missing or unreachable fails when the file is made
        char target[PATH_MAX];
        const ssize_t length = ::readlink(current.constData(), target, sizeof target);
        if (length < 0)
            return current;
        if (size_t(length) == sizeof target) {
            *error = ENAMETOOLONG;
            return QByteArray();
        }
        if (target[0] == '/')
            current = QByteArray(target, length);
        else
            current = folderOf(current) + '/' + QByteArray(target, length);
    }
    *error = ELOOP;
    return QByteArray();
}

// A short name of its own, so that beside a target of the longest name the
// system takes there is still room for it.
QByteArray temporaryName(const QByteArray &folder)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = folder;
    if (!name.endsWith('/'))
        name += '/';
    name += ".zelvane-";
    for (int i = 0; i < 8; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return name;
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd); // best effort: the rename itself has already happened
    ::close(fd);
}

} // namespace

FileReplacement::FileReplacement(const QString &path)
    : m_path(path)
{
}

FileReplacement::~FileReplacement()
{
    discard();
}

bool FileReplacement::open()
{
    discard();
    m_error = 0;
    int linkError = 0;
    m_target = followLinks(encodePath(m_path), &linkError);
    if (linkError != 0) {
        fail(linkError, "cannot create");
        return false;
    }
    if (m_target.isEmpty()) {
        fail(ENOENT, "cannot create");
        return false;
    }
    struct stat existing;
    const bool exists = ::stat(m_target.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        fail(EISDIR, "cannot create");
        return false;
    }
    // A device, a FIFO or a socket is used in its place, not replaced by a
    // file that no longer is what it was.
    if (exists && !S_ISREG(existing.st_mode)) {
        fail(EINVAL, "cannot replace", QStringLiteral("not a regular file"));
        return false;
    }
    // A file the user may not write stays as it is, though its folder
    // would let us put another in its place.
    if (exists && ::access(m_target.constData(), W_OK) != 0) {
        fail(errno, "cannot replace");
        return false;
    }
    const QByteArray folder = folderOf(m_target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryName(folder);
        // 0666 under the umask, as a new file would be made.
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = name;
            break;
        }
        if (errno != EEXIST && errno != EINTR) {
            fail(errno, "cannot create");
            return false;
        }
    }
    if (m_fd < 0) {
        fail(EEXIST, "cannot create");
        return false;
    }
    // The new file keeps the permissions of the one it replaces.
    if (exists)
        ::fchmod(m_fd, existing.st_mode & 07777);
    // Every write of the new contents checked, in large blocks.
    m_out = std::make_unique<DescriptorOutput>(m_fd, m_path);
    if (!m_out->open()) {
        fail(EBADF, "cannot create");
        discard();
        return false;
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

bool FileReplacement::seek(qint64 pos)
{
    // Written data goes straight on: only staying where we are is possible.
    return pos == this->pos() && QIODevice::seek(pos);
}

qint64 FileReplacement::readData(char *, qint64)
{
    return -1;
}

qint64 FileReplacement::writeData(const char *data, qint64 size)
{
    if (!m_out || m_error != 0)
        return -1;
    if (m_out->write(data, size) == size)
        return size;
    takeFailureOf(*m_out);
    return -1;
}

bool FileReplacement::flushOut()
{
    if (m_out->flush())
        return true;
    takeFailureOf(*m_out);
    return false;
}

void FileReplacement::takeFailureOf(const DescriptorOutput &out)
{
    if (m_error != 0)
        return;
    m_error = out.error();
    m_reason = out.reason();
    setErrorString(out.errorString());
}

bool FileReplacement::commit()
{
    if (m_fd < 0) {
        if (m_error == 0)
            fail(EBADF, "write failed");
        return false;
    }
    if (m_error == 0 && flushOut()) {
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            fail(errno, "write failed");
    }
    if (m_error == 0) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            fail(errno, "write failed");
    }
    if (m_error == 0 && ::rename(m_temporary.constData(), m_target.constData()) != 0)
        fail(errno, "cannot replace");
    if (m_error != 0) {
        discard();
        return false;
    }
    m_temporary.clear();
    QIODevice::close();
    syncFolder(folderOf(m_target));
    return true;
}

void FileReplacement::cancel()
{
    discard();
}

void FileReplacement::fail(int error, const char *what, const QString &reason)
{
    if (m_error != 0)
        return; // the first reason is the one that counts
    m_error = error;
    m_reason = reason.isEmpty() ? systemError(error) : reason;
    setErrorString(QStringLiteral("%1: %2: %3").arg(m_path, QLatin1String(what), m_reason));
}

void FileReplacement::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
    m_out.reset();
    if (isOpen())
        QIODevice::close();
}

} // namespace zel
