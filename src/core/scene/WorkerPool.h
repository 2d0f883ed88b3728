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

} // namespace zel
