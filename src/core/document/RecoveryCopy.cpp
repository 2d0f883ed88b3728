#include "RecoveryCopy.h"

#include "DocumentCommands.h"
#include "DocumentState.h"
#include "scene/Ports.h"

#include <QFile>
#include <QFileInfo>

#include <sys/resource.h>
#include <unistd.h>

namespace zel {

namespace {

// A nice value high enough to give way, low enough that a busy machine
// still writes the copy in time.
constexpr int kWriterNice = 10;

} // namespace

RecoveryCopy::RecoveryCopy(DocumentState &document, RecoveryStore &store, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_store(store)
{
    // A command may record its change before it makes it: the snapshot
    // waits until the command has returned to the event loop.
    m_settle.setSingleShot(true);
    m_settle.setInterval(0);
    connect(&m_settle, &QTimer::timeout, this, &RecoveryCopy::capture);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryCopy::startWrite);
    m_document.setChangeListener([this] { changed(); });
    m_thread = std::thread([this] { run(); });
}

RecoveryCopy::~RecoveryCopy()
{
    m_document.setChangeListener({});
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

QString RecoveryCopy::questionText()
{
    return QStringLiteral("前回、保存されずに終了した作業があります。\r\n復元しますか？");
}

QString RecoveryCopy::failureText()
{
    return QStringLiteral("復元用ﾌｧｲﾙを保存できません");
}

bool RecoveryCopy::offerLeftCopy(Dialogs &dialogs, DocumentCommands &commands)
{
    std::optional<LeftCopy> left = m_store.takeNewestLeftCopy();
    if (!left)
        return false;
    if (dialogs.askYesNo(DocumentState::productName(), questionText()) != Answer::Yes) {
        m_store.discard(*left);
        return false;
    }
    const bool adopted = m_store.adopt(*left);
    commands.restoreDocument(left->document.contents, left->document.fileName);
    // The copy is the document as restored: nothing to write until it changes.
    m_settle.stop();
    m_copyMayExist = true;
    if (!adopted)
        writeNow();
    return true;
}

void RecoveryCopy::changed()
{
    if (!m_settle.isActive())
        m_settle.start();
}

RecoveryDocument RecoveryCopy::snapshot() const
{
    return RecoveryDocument{documentSnapshot(m_document.scene()), m_document.CurrentFileName()};
}

void RecoveryCopy::capture()
{
    if (!m_document.isModified()) {
        m_timer.stop();
        m_pending.reset();
        m_saveFailed = false;
        if (m_copyMayExist)
            post(Job{true, m_store.copyPath(), {}});
        m_copyMayExist = false;
        return;
    }
    m_pending = snapshot();
    if (!m_timer.isActive())
        m_timer.start();
}

void RecoveryCopy::startWrite()
{
    if (!m_pending)
        return;
    post(Job{false, m_store.copyPath(), std::move(*m_pending)});
    m_pending.reset();
    m_copyMayExist = true;
}

void RecoveryCopy::writeNow()
{
    m_settle.stop();
    m_timer.stop();
    m_pending = snapshot();
    startWrite();
}

void RecoveryCopy::finish()
{
    m_settle.stop();
    m_timer.stop();
    m_pending.reset();
    if (m_document.isModified() && m_saveFailed) {
        // The user could not save: the work is kept for the next start.
        post(Job{false, m_store.copyPath(), snapshot()});
    } else {
        post(Job{true, m_store.copyPath(), {}});
        m_copyMayExist = false;
    }
    waitForWriter();
}

void RecoveryCopy::post(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_next = std::move(job);
    }
    m_wake.notify_all();
}

void RecoveryCopy::waitForWriter()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_next && !m_busy; });
}

void RecoveryCopy::run()
{
    // Behind the window when both want the processor (Linux: per thread).
    ::setpriority(PRIO_PROCESS, pid_t(::gettid()), kWriterNice);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_next || m_stop; });
        if (!m_next)
            return; // stopping, with nothing left to do
        Job job = std::move(*m_next);
        m_next.reset();
        m_busy = true;
        lock.unlock();
        bool ok;
        if (job.remove)
            ok = job.path.isEmpty() || QFile::remove(job.path) || !QFileInfo::exists(job.path);
        else
            ok = RecoveryStore::writeCopy(job.path, job.document);
        const bool remove = job.remove;
        job = Job(); // the snapshot's pixels go here, not under the lock
        QMetaObject::invokeMethod(this, [this, remove, ok] { jobDone(remove, ok); },
                                  Qt::QueuedConnection);
        lock.lock();
        m_busy = false;
        m_wake.notify_all();
    }
}

void RecoveryCopy::jobDone(bool remove, bool ok)
{
    if (remove) {
        emit copyRemoved();
        return;
    }
    if (!ok && !m_reported)
        m_document.ui().setStatusText(0, failureText());
    m_reported = !ok;
    emit copyWritten(ok);
}

} // namespace zel
