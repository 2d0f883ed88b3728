#pragma once

#include "RecoveryStore.h"

#include <QObject>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace zel {

class Dialogs;
class DocumentCommands;
class DocumentState;

// Keeps the recovery copy of the open document while it is modified. A
// change starts a timer (later changes do not restart it, so steady editing
// is written too); when it runs out, a snapshot of the document as the last
// recorded change left it goes to a thread of its own, which writes it to
// the store, so the window never waits for the disk. The copy goes once
// the document is no longer modified (saved, undone to its start, replaced
// by New or Open). A copy that cannot be written leaves editing alone: the
// status bar's hint panel says so once, and the next change tries again.
class RecoveryCopy : public QObject
{
    Q_OBJECT
public:
    // How long after a first change the copy is written.
    static constexpr int kDelayMs = 2000;

    RecoveryCopy(DocumentState &document, RecoveryStore &store, QObject *parent = nullptr);
    // Waits for the writer. A copy still there stays (finish() was not
    // called: the program did not close its window).
    ~RecoveryCopy() override;

    static QString questionText();
    static QString failureText();

    // At start-up, before anything else opens: offers the newest copy left
    // by a program no longer running. Yes makes it the open document, under
    // its own name and modified; No removes it. True when it was restored.
    bool offerLeftCopy(Dialogs &dialogs, DocumentCommands &commands);

    // Writes a copy of the document as it is now, timer or not.
    void writeNow();
    // What the last save did: after a failed one, closing keeps the copy.
    void saveFinished(bool written) { m_saveFailed = !written; }
    // The window closes for good: the copy goes, or after a failed save is
    // written a last time and stays. Waits for the writer.
    void finish();

    // Blocks until the writer has done everything asked of it so far.
    void waitForWriter();
    void setDelay(int ms) { m_timer.setInterval(ms); }
    // Milliseconds until the next write starts; -1 when none is due.
    int msUntilWrite() const { return m_timer.isActive() ? m_timer.remainingTime() : -1; }

signals:
    // On the window's thread, once the writer is done with a job.
    void copyWritten(bool written);
    void copyRemoved();

private:
    struct Job {
        bool remove = false;
        QString path;
        RecoveryDocument document;
    };

    void changed();
    void capture();
    void startWrite();
    void post(Job job);
    void run();
    void jobDone(bool remove, bool ok);
    RecoveryDocument snapshot() const;

    DocumentState &m_document;
    RecoveryStore &m_store;
    QTimer m_settle; // the change's command has finished: the scene is as recorded
    QTimer m_timer;
    std::optional<RecoveryDocument> m_pending;
    bool m_copyMayExist = false;
    bool m_saveFailed = false;
    bool m_reported = false;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_next; // only the newest job waits: it supersedes the others
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace zel
