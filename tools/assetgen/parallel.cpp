#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

void ParallelChunks(int chunks, const std::function<void(int chunk)>& job,
                    const std::function<void(int doneCount)>& onDone)
{
    std::atomic<int> next{0};
    std::mutex doneLock;
    int done = 0;
    auto worker = [&] {
        for (int c = next++; c < chunks; c = next++) {
            job(c);
            std::lock_guard<std::mutex> lock(doneLock);
            ++done;
            if (onDone) onDone(done);
        }
    };
    unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < threads; ++i) pool.emplace_back(worker);
    worker();
    for (auto& t : pool) t.join();
}
