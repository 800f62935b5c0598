#include "generators/column_pipeline.h"

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <thread>
#include <utility>

namespace rw {
namespace {

// Yields before the consumer sleeps: a column of the costlier generators takes a few hundred
// microseconds, about what this many yields take.
constexpr int kConsumerSpins = 256;

// Threads started on demand and kept until the program ends, each running one task at a time.
class ThreadPool {
public:
    static ThreadPool& Instance() {
        static ThreadPool pool;
        return pool;
    }

    ~ThreadPool() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        available_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    // Runs the task on an idle thread of the pool, or on a new one when none is idle. Throws
    // (and runs nothing) when no thread can be started.
    void Post(std::function<void()> task) {
        const std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
        if (tasks_.size() > static_cast<std::size_t>(idle_)) {
            try {
                threads_.emplace_back([this] { Serve(); });
            } catch (...) {
                tasks_.pop_back();
                throw;
            }
        }
        available_.notify_one();
    }

private:
    void Serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ++idle_;
            available_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            --idle_;
            if (tasks_.empty()) {
                return; // stopping
            }
            std::function<void()> task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    int idle_ = 0;
    bool stopping_ = false;
};

} // namespace

ColumnPipeline::ColumnPipeline(int32_t columns, std::size_t columnBytes, int threads,
                               int32_t window, Compute compute)
    : columns_(std::max(columns, 0)), columnBytes_(columnBytes),
      window_(std::max({window, static_cast<int32_t>(threads), 1})), compute_(std::move(compute)),
      buffers_(static_cast<std::size_t>(window_) * columnBytes_),
      finished_(std::make_unique<std::atomic<int32_t>[]>(static_cast<std::size_t>(window_))),
      running_(std::make_shared<Running>()) {
    for (int32_t slot = 0; slot < window_; ++slot) {
        finished_[slot].store(-1);
    }
    // More workers than columns would only wait for the end.
    const int workers = std::min(std::max(threads, 1) - 1, columns_);
    try {
        for (int k = 0; k < workers; ++k) {
            {
                const std::lock_guard<std::mutex> lock(running_->mutex);
                ++running_->count;
            }
            try {
                ThreadPool::Instance().Post([this, running = running_] {
                    Work();
                    const std::lock_guard<std::mutex> lock(running->mutex);
                    --running->count;
                    running->ended.notify_all();
                });
            } catch (...) {
                const std::lock_guard<std::mutex> lock(running_->mutex);
                --running_->count;
                throw;
            }
        }
    } catch (...) {
        // No thread to be had: the workers started stop again, and the exception says why.
        StopWorkers();
        throw;
    }
}

ColumnPipeline::~ColumnPipeline() {
    StopWorkers();
}

void ColumnPipeline::StopWorkers() {
    stopping_.store(true);
    WakeAll();
    std::unique_lock<std::mutex> lock(running_->mutex);
    running_->ended.wait(lock, [this] { return running_->count == 0; });
}

void ColumnPipeline::WakeAll() {
    // Taking the mutex orders this after a sleeper's last look at the state.
    { const std::lock_guard<std::mutex> lock(mutex_); }
    wake_.notify_all();
}

std::span<uint8_t> ColumnPipeline::Slot(int32_t column) {
    return {buffers_.data() + static_cast<std::size_t>(column % window_) * columnBytes_,
            columnBytes_};
}

int32_t ColumnPipeline::TryClaim() {
    if (Failed()) {
        return -1; // every column up to the failed one has been claimed already
    }
    int32_t column = claimed_.load();
    // released_ only grows, so a column found inside the window stays inside it.
    while (column < columns_ && column < released_.load() + window_) {
        if (claimed_.compare_exchange_weak(column, column + 1)) {
            return column;
        }
    }
    return -1;
}

void ColumnPipeline::Run(int32_t column) {
    try {
        compute_(column, Slot(column));
    } catch (...) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (column < failedAt_.load()) {
                failure_ = std::current_exception();
                failedAt_.store(column);
            }
        }
        wake_.notify_all();
        return;
    }
    finished_[column % window_].store(column);
    if (consumerSleeping_.load()) {
        WakeAll();
    }
}

void ColumnPipeline::Work() {
    while (!stopping_.load() && !Failed()) {
        const int32_t column = TryClaim();
        if (column >= 0) {
            Run(column);
            continue;
        }
        if (claimed_.load() >= columns_) {
            return;
        }
        // The window is full: the consumer is behind. Sleep until half of it is free, so that
        // waking costs a round trip per half window rather than per column.
        std::unique_lock<std::mutex> lock(mutex_);
        sleepingWorkers_.fetch_add(1);
        wake_.wait(lock, [this] {
            return stopping_.load() || Failed() || claimed_.load() >= columns_ ||
                   claimed_.load() - released_.load() <= window_ / 2;
        });
        sleepingWorkers_.fetch_sub(1);
    }
}

std::span<const uint8_t> ColumnPipeline::Next() {
    if (delivered_ >= columns_) {
        throw std::out_of_range("ColumnPipeline: every column has been delivered");
    }
    released_.store(delivered_); // the caller is done with the column it had
    if (sleepingWorkers_.load() > 0 && claimed_.load() - released_.load() <= window_ / 2) {
        WakeAll();
    }
    const int32_t column = delivered_;
    std::atomic<int32_t>& finished = finished_[column % window_];
    int spins = 0;
    while (finished.load() != column) {
        if (failedAt_.load() == column) {
            std::exception_ptr failure;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                failure = failure_;
            }
            std::rethrow_exception(failure);
        }
        // Rather than wait, compute a column of the window that nobody has started: the one
        // needed now if it is free, else one needed soon.
        const int32_t free = TryClaim();
        if (free >= 0) {
            Run(free);
            continue;
        }
        if (++spins < kConsumerSpins) {
            std::this_thread::yield();
            continue;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        consumerSleeping_.store(true);
        wake_.wait(lock, [&] { return failedAt_.load() == column || finished.load() == column; });
        consumerSleeping_.store(false);
    }
    ++delivered_;
    return Slot(column);
}

int DefaultRenderThreads() {
    return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

} // namespace rw
