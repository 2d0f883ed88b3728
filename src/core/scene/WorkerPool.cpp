#include "WorkerPool.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace zel {

namespace {

constexpr int kMostWorkers = 4;

QThreadPool &helpers()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool; // kept to the end: helpers may still be winding down
        p->setMaxThreadCount(std::max(workerCount() - 1, 1));
        return p;
    }();
    return *pool;
}

// Takes pieces until none are left, then says it is done.
class Helper : public QRunnable
{
public:
    Helper(const std::function<void()> &work, QSemaphore &done) : m_work(work), m_done(done)
    {
        setAutoDelete(false);
    }
    void run() override
    {
        m_work();
        m_done.release();
    }

private:
    const std::function<void()> &m_work;
    QSemaphore &m_done;
};

} // namespace

class BackgroundTask::Runner : public QRunnable
{
public:
    explicit Runner(const std::function<void()> &work) : m_work(work) { setAutoDelete(false); }
    void run() override
    {
        m_work();
        done.release();
    }
    QSemaphore done;

private:
    const std::function<void()> &m_work;
};

BackgroundTask::BackgroundTask(std::function<void()> work) : m_work(std::move(work))
{
    if (workerCount() < 2) {
        m_work(); // no helper to hand it to
        return;
    }
    m_runner = new Runner(m_work);
    helpers().start(m_runner);
}

BackgroundTask::~BackgroundTask()
{
    wait();
}

void BackgroundTask::wait()
{
    if (!m_runner)
        return;
    if (helpers().tryTake(m_runner))
        m_work();
    else
        m_runner->done.acquire();
    delete m_runner;
    m_runner = nullptr;
}

int workerCount()
{
    static const int count = std::clamp(QThread::idealThreadCount(), 1, kMostWorkers);
    return count;
}

void runInPieces(int count, const std::function<void(int)> &task)
{
    std::atomic<int> next{0};
    const std::function<void()> work = [&] {
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1))
            task(i);
    };
    const int helperCount = std::min(workerCount(), count) - 1;
    if (helperCount <= 0) {
        work();
        return;
    }
    QSemaphore done;
    std::vector<std::unique_ptr<Helper>> started;
    for (int i = 0; i < helperCount; ++i) {
        started.push_back(std::make_unique<Helper>(work, done));
        helpers().start(started.back().get());
    }
    work();
    // Helpers still queued have nothing left to do: take them back.
    for (const auto &helper : started)
        if (helpers().tryTake(helper.get()))
            done.release();
    done.acquire(helperCount);
}

} // namespace zel
