// Runs `chunks` independent jobs on a few threads. Results must be stored per chunk by the job, so
// the output never depends on the number of threads or on their timing.
#pragma once
#include <functional>

void ParallelChunks(int chunks, const std::function<void(int chunk)>& job,
                    const std::function<void(int doneCount)>& onDone = {});
