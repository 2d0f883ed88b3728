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
