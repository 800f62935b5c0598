#pragma once
// Computes the columns of an image on worker threads, a bounded window ahead of the one thread
// that consumes them in column order. The consumer takes part itself: while the column it needs
// next is not ready it computes another one of the window rather than wait, so with one thread
// in all there is no worker at all.
//
// Under Wine every blocking wait and wake-up is a round trip to the wine server (tens of
// microseconds), as long as drawing a whole column of the cheaper generators. So nobody blocks
// in the steady state: columns are claimed and published through atomics, a worker that finds
// the window full sleeps until half of it is free again, and the consumer spins briefly before
// it sleeps.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace rw {

class ColumnPipeline {
public:
    // Fills the buffer of one column; may run on any of the threads, for columns in any order
    // within the window, several at once.
    using Compute = std::function<void(int32_t column, std::span<uint8_t> buffer)>;

    // `threads` counts the consumer: threads - 1 workers take part. At most `window` columns
    // (at least `threads`) are computed or held at any time, so memory stays window * columnBytes
    // whatever the image.
    ColumnPipeline(int32_t columns, std::size_t columnBytes, int threads, int32_t window,
                   Compute compute);
    // Stops handing out columns, waits for the ones being computed and ends the workers.
    ~ColumnPipeline();
    ColumnPipeline(const ColumnPipeline&) = delete;
    ColumnPipeline& operator=(const ColumnPipeline&) = delete;

    // The next column in order, once computed; valid until the next call. Rethrows what the
    // computation of that column threw (the columns before it are delivered first). Calling it more
    // often than there are columns is a caller's bug (std::out_of_range).
    std::span<const uint8_t> Next();

private:
    void Work();
    void StopWorkers();
    std::span<uint8_t> Slot(int32_t column);
    // The lowest column nobody has started whose slot is free, now claimed; -1 if none.
    int32_t TryClaim();
    void Run(int32_t column);
    bool Failed() const { return failedAt_.load() != kNoFailure; }
    void WakeAll();

    const int32_t columns_;
    const std::size_t columnBytes_;
    const int32_t window_;
    const Compute compute_;
    std::vector<uint8_t> buffers_; // window_ slots of columnBytes_
    // Per slot: the column it holds once computed, else -1.
    std::unique_ptr<std::atomic<int32_t>[]> finished_;

    std::atomic<int32_t> claimed_{0};  // columns handed to a thread so far (all below it)
    std::atomic<int32_t> released_{0}; // columns whose slots may be filled again
    int32_t delivered_ = 0;            // columns handed to the consumer (its thread only)
    std::atomic<bool> stopping_{false};
    static constexpr int32_t kNoFailure = INT32_MAX;
    std::atomic<int32_t> failedAt_{kNoFailure}; // the lowest column whose computation threw
    std::atomic<int> sleepingWorkers_{0};
    std::atomic<bool> consumerSleeping_{false};

    std::mutex mutex_; // guards failure_ and the sleeping
    std::condition_variable wake_;
    std::exception_ptr failure_; // thrown by column failedAt_

    // The workers run on threads kept for the whole program (starting a thread costs
    // milliseconds under Wine); the count of those still inside Work lives apart from the
    // pipeline, so that the last one can report its end while the pipeline goes away.
    struct Running {
        std::mutex mutex;
        std::condition_variable ended;
        int count = 0;
    };
    std::shared_ptr<Running> running_;
};

// One thread per processor the system reports (at least one).
int DefaultRenderThreads();

} // namespace rw
