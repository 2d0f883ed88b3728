#pragma once

#include "BmhDocument.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QLockFile;

namespace zel {

// A document as a recovery copy keeps it: its contents and the name of its
// file (empty while untitled).
struct RecoveryDocument {
    DocumentContents contents;
    QString fileName;
};

// A copy left by a program that is no longer running, held for the question
// whether to restore it. The store holds that program's lock meanwhile, so
// no other program offers it at the same time.
struct LeftCopy {
    QString slot;
    QDateTime written;
    RecoveryDocument document;
};

// Where recovery copies live: $XDG_STATE_HOME/zelvane (~/.local/state/zelvane
// when it is unset). Each running program has a slot of its own there: a
// lock NAME.lock held for as long as it runs (QLockFile: it is stale once
// its process is gone) and a folder NAME holding its copy, copy.bmh, and the
// temporary files of the copy's writer. Only a slot whose lock can be taken
// belongs to a program no longer running; only that one is offered, tidied
// or removed.
//
// A copy is the BMH document followed by a trailer: the tag "ZLVNAME1", the
// length of the name's bytes (32 bits, little-endian) and the bytes.
class RecoveryStore
{
public:
    // Opens the store in folder: makes it and takes a slot of this
    // program's own. Slots of programs no longer running are tidied: their
    // writers' temporary files go, and so does a slot that holds no copy.
    explicit RecoveryStore(const QString &folder);
    // A clean exit removes this program's copy first (removeCopy); a copy
    // that is still there stays for the next start.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore &) = delete;
    RecoveryStore &operator=(const RecoveryStore &) = delete;

    // $XDG_STATE_HOME/zelvane when that is an absolute path, else
    // $HOME/.local/state/zelvane.
    static QString defaultFolder();

    QString folder() const { return m_folder; }
    // False when the folder or the slot could not be made: no copy can be
    // written then, and none is offered.
    bool isOpen() const { return m_lock != nullptr; }
    // This program's copy; empty when the store is not open.
    QString copyPath() const;

    // The newest copy that reads completely among those left by programs no
    // longer running, with their lock taken; a damaged one is passed over.
    // Nothing when there is none. Copies not offered stay for later starts.
    std::optional<LeftCopy> takeNewestLeftCopy();
    // The offered copy becomes this program's own; false when it could not
    // be moved (it then stays where it was, for a later start).
    bool adopt(const LeftCopy &copy);
    // Removes the offered copy with its slot.
    void discard(const LeftCopy &copy);

    // Writes a copy through the one way files are replaced. Safe on any
    // thread. False with *reason when it could not be written completely.
    static bool writeCopy(const QString &path, const RecoveryDocument &document,
                          QString *reason = nullptr);
    // Reads a copy as Open reads a document. False with *reason when the
    // file cannot be read or is damaged anywhere, its trailer included.
    static bool readCopy(const QString &path, RecoveryDocument &document, QString *reason = nullptr);
    // Removes this program's copy; true when none is left.
    bool removeCopy();

private:
    struct LeftSlot {
        QString slot;
        QDateTime written;
        std::unique_ptr<QLockFile> lock;
    };

    bool openSlot();
    QString slotFolder(const QString &slot) const;
    QString lockPath(const QString &slot) const;
    // Takes the lock of every slot whose program is gone, removes their
    // writers' leftovers and the slots without a copy; the rest, locked.
    std::vector<LeftSlot> leftSlots();
    void removeSlot(const QString &slot);

    QString m_folder;
    QString m_slot;
    std::unique_ptr<QLockFile> m_lock;
    QString m_offeredSlot;
    std::unique_ptr<QLockFile> m_offeredLock;
};

} // namespace zel
