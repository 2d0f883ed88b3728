#pragma once

#include <functional>

namespace zel {

// How many threads work at once on a job split into pieces: the calling
// thread and helpers from a small pool kept for the purpose, min(hardware
// threads, 4) in all.
int workerCount();

// Runs task(0) ... task(count - 1), spread over the workers, and returns once
// all are done. The pieces must not depend on one another's order; a piece
// that no helper has taken yet is done by the caller itself, so a call from
// inside a piece cannot wait forever.
void runInPieces(int count, const std::function<void(int)> &task);

// Work started on a helper while the caller goes on with something else.
// wait() returns once it is done; work that no helper has taken by then is
// done by the caller itself. The destructor waits too.
class BackgroundTask
{
public:
    explicit BackgroundTask(std::function<void()> work);
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask &) = delete;
    BackgroundTask &operator=(const BackgroundTask &) = delete;

    void wait();

private:
    class Runner;
    std::function<void()> m_work;
    Runner *m_runner = nullptr;
};

} // namespace zel
