#pragma once
// Computes the columns of an image on worker threads, a bounded window ahead of the one thread
// that consumes them in column order. The consumer takes part itself: when the column it needs
// next has not been started, it computes that column rather than wait, so one thread in all
// means no worker at all.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace rw {

class ColumnPipeline {
public:
    // Fills the buffer of one column; may run on any of the threads, for columns in any order
    // within the window, several at once.
    using Compute = std::function<void(int32_t column, std::span<uint8_t> buffer)>;

    // `threads` counts the consumer: threads - 1 workers are started. At most `window` columns
    // (at least `threads`) are computed or held at any time, so memory stays window * columnBytes
    // whatever the image.
    ColumnPipeline(int32_t columns, std::size_t columnBytes, int threads, int32_t window,
                   Compute compute);
    // Stops handing out columns, waits for the ones being computed and ends the workers.
    ~ColumnPipeline();
    ColumnPipeline(const ColumnPipeline&) = delete;
    ColumnPipeline& operator=(const ColumnPipeline&) = delete;

    // The next column in order, once computed; valid until the next call. Rethrows what a
    // computation threw. Calling it more often than there are columns is a caller's bug
    // (std::out_of_range).
    std::span<const uint8_t> Next();

    int32_t Delivered() const { return delivered_; }

private:
    void Work();
    std::span<uint8_t> Slot(int32_t column);
    // Computes `column` (claimed by the caller) with the lock released, then records it.
    void Run(std::unique_lock<std::mutex>& lock, int32_t column);

    const int32_t columns_;
    const std::size_t columnBytes_;
    const int32_t window_;
    const Compute compute_;
    std::vector<uint8_t> buffers_;  // window_ slots of columnBytes_
    std::vector<int32_t> finished_; // per slot: the column it holds once computed, else -1

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable columnFinished_;
    int32_t claimed_ = 0;   // columns handed to a thread so far (all below it are claimed)
    int32_t delivered_ = 0; // columns handed to the consumer so far
    int32_t released_ = 0;  // columns whose slots may be filled again
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
};

// One thread per processor the system reports (at least one).
int DefaultRenderThreads();

} // namespace rw
