#include "RecoveryStore.h"

#include "DocumentFile.h"
#include "fileio/FileReplacement.h"
#include "fileio/NativePath.h"
#include "imaging/DeviceIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zel {

namespace {

const QString kCopyName = QStringLiteral("copy.bmh");
constexpr char kNameTag[] = "ZLVNAME1";
constexpr qint64 kNameTagSize = 8;
constexpr qint64 kTrailerHead = kNameTagSize + 4;
// Far beyond any path the system takes (PATH_MAX is 4096).
constexpr qint64 kMaxNameBytes = 64 * 1024;
constexpr int kSlotNameLength = 16;

bool isSlotName(const QString &name)
{
    if (name.size() != kSlotNameLength)
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
}

QString newSlotName()
{
    return QString::number(QRandomGenerator::system()->generate64(), 16)
        .rightJustified(kSlotNameLength, u'0');
}

// The folder itself private to the user, as state folders are meant to be;
// the folders above it as the system makes them.
bool makePrivateFolder(const QString &path)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return QFileInfo(path).isDir();
}

QByteArray nameTrailer(const QString &fileName)
{
    const QByteArray name = encodePath(fileName);
    QByteArray trailer(kTrailerHead, '\0');
    std::memcpy(trailer.data(), kNameTag, kNameTagSize);
    putLe32(trailer.data() + kNameTagSize, quint32(name.size()));
    return trailer + name;
}

bool fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd); // best effort: the rename has happened either way
    ::close(fd);
}

std::unique_ptr<QLockFile> takeLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // Stale only once its program is gone, however long that program runs.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

RecoveryStore::RecoveryStore(const QString &folder)
    : m_folder(QDir::cleanPath(folder))
{
    if (!makePrivateFolder(m_folder))
        return;
    for (int attempt = 0; attempt < 8 && !m_lock; ++attempt)
        openSlot();
    if (!m_lock)
        return;
    // Tidies what programs no longer running left; their copies stay.
    leftSlots();
}

RecoveryStore::~RecoveryStore()
{
    m_offeredLock.reset();
    if (!m_lock)
        return;
    if (!QFileInfo::exists(copyPath()))
        removeSlot(m_slot);
    m_lock->unlock();
}

QString RecoveryStore::defaultFolder()
{
    // Only an absolute path counts; a relative one is to be ignored.
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    const QString base = state.startsWith('/') ? QFile::decodeName(state)
                                               : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/zelvane");
}

QString RecoveryStore::slotFolder(const QString &slot) const
{
    return m_folder + u'/' + slot;
}

QString RecoveryStore::lockPath(const QString &slot) const
{
    return m_folder + u'/' + slot + QStringLiteral(".lock");
}

QString RecoveryStore::copyPath() const
{
    return m_lock ? slotFolder(m_slot) + u'/' + kCopyName : QString();
}

bool RecoveryStore::openSlot()
{
    // The lock comes first: a folder without one is taken for a dead
    // program's by every other program.
    const QString slot = newSlotName();
    if (QFileInfo::exists(slotFolder(slot)))
        return false;
    std::unique_ptr<QLockFile> lock = takeLock(lockPath(slot));
    if (!lock)
        return false;
    if (!makePrivateFolder(slotFolder(slot))) {
        lock->unlock();
        return false;
    }
    m_slot = slot;
    m_lock = std::move(lock);
    return true;
}

std::vector<RecoveryStore::LeftSlot> RecoveryStore::leftSlots()
{
    QStringList names;
    const QStringList entries = QDir(m_folder).entryList(QDir::Dirs | QDir::Files | QDir::Hidden
                                                         | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QString slot = entry.endsWith(QStringLiteral(".lock")) ? entry.chopped(5) : entry;
        if (isSlotName(slot) && slot != m_slot && !names.contains(slot))
            names << slot;
    }
    std::vector<LeftSlot> left;
    for (const QString &slot : names) {
        std::unique_ptr<QLockFile> lock = takeLock(lockPath(slot));
        if (!lock)
            continue; // its program runs: nothing of it is ours to touch
        const QString folder = slotFolder(slot);
        const QFileInfo copy(folder + u'/' + kCopyName);
        if (!copy.exists()) {
            removeSlot(slot);
            continue;
        }
        // What else is there can only be what a killed writer left.
        const QFileInfoList leftovers = QDir(folder).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &leftover : leftovers)
            if (leftover.fileName() != kCopyName)
                QFile::remove(leftover.filePath());
        left.push_back(LeftSlot{slot, copy.lastModified(), std::move(lock)});
    }
    return left;
}

std::optional<LeftCopy> RecoveryStore::takeNewestLeftCopy()
{
    m_offeredLock.reset();
    m_offeredSlot.clear();
    if (!m_lock)
        return std::nullopt;
    std::vector<LeftSlot> left = leftSlots();
    std::stable_sort(left.begin(), left.end(),
                     [](const LeftSlot &a, const LeftSlot &b) { return a.written > b.written; });
    for (LeftSlot &slot : left) {
        LeftCopy copy;
        if (!readCopy(slotFolder(slot.slot) + u'/' + kCopyName, copy.document))
            continue; // damaged: not offered, and kept as it is
        copy.slot = slot.slot;
        copy.written = slot.written;
        m_offeredLock = std::move(slot.lock);
        m_offeredSlot = slot.slot;
        return copy;
    }
    return std::nullopt;
}

bool RecoveryStore::adopt(const LeftCopy &copy)
{
    if (!m_lock || copy.slot.isEmpty() || copy.slot != m_offeredSlot)
        return false;
    const QByteArray from = QFile::encodeName(slotFolder(copy.slot) + u'/' + kCopyName);
    const bool moved = ::rename(from.constData(), QFile::encodeName(copyPath()).constData()) == 0;
    if (moved) {
        syncFolder(slotFolder(m_slot));
        removeSlot(copy.slot);
    }
    m_offeredLock.reset();
    m_offeredSlot.clear();
    return moved;
}

void RecoveryStore::discard(const LeftCopy &copy)
{
    if (copy.slot.isEmpty() || copy.slot != m_offeredSlot)
        return;
    removeSlot(copy.slot);
    m_offeredLock.reset();
    m_offeredSlot.clear();
}

void RecoveryStore::removeSlot(const QString &slot)
{
    QDir(slotFolder(slot)).removeRecursively();
}

bool RecoveryStore::removeCopy()
{
    if (!m_lock)
        return true;
    const QString path = copyPath();
    return QFile::remove(path) || !QFileInfo::exists(path);
}

bool RecoveryStore::writeCopy(const QString &path, const RecoveryDocument &document, QString *reason)
{
    if (path.isEmpty())
        return fail(reason, QStringLiteral("no folder for recovery copies"));
    FileReplacement file(path);
    if (!file.open())
        return fail(reason, file.errorString());
    QString why;
    if (!WriteDocument(file, document.contents, &why)) {
        file.cancel();
        return fail(reason, why);
    }
    if (!writeAll(file, nameTrailer(document.fileName))) {
        file.cancel();
        return fail(reason, file.errorString());
    }
    if (!file.commit())
        return fail(reason, file.errorString());
    return true;
}

bool RecoveryStore::readCopy(const QString &path, RecoveryDocument &document, QString *reason)
{
    QFile file;
    QString why;
    if (openDocumentForReading(file, path, &why) != OpenError::None)
        return fail(reason, why);
    RecoveryDocument read;
    if (!readDocumentContents(file, read.contents, &why))
        return fail(reason, why);
    const QByteArray trailer = readUpTo(file, kTrailerHead + kMaxNameBytes + 1);
    if (trailer.size() < kTrailerHead || std::memcmp(trailer.constData(), kNameTag, kNameTagSize) != 0)
        return fail(reason, QStringLiteral("no file name after the document"));
    const qint64 length = le32(trailer.constData() + kNameTagSize);
    if (length > kMaxNameBytes || trailer.size() != kTrailerHead + length)
        return fail(reason, QStringLiteral("the file name after the document is cut short or followed by more"));
    read.fileName = decodePath(trailer.mid(kTrailerHead));
    document = std::move(read);
    return true;
}

} // namespace zel
