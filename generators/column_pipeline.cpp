#include "generators/column_pipeline.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace rw {

ColumnPipeline::ColumnPipeline(int32_t columns, std::size_t columnBytes, int threads,
                               int32_t window, Compute compute)
    : columns_(std::max(columns, 0)), columnBytes_(columnBytes),
      window_(std::max({window, static_cast<int32_t>(threads), 1})), compute_(std::move(compute)),
      buffers_(static_cast<std::size_t>(window_) * columnBytes_), finished_(window_, -1) {
    // More workers than columns would only wait for the end.
    const int workers = std::min(std::max(threads, 1) - 1, columns_);
    workers_.reserve(static_cast<std::size_t>(workers));
    try {
        for (int k = 0; k < workers; ++k) {
            workers_.emplace_back([this] { Work(); });
        }
    } catch (...) {
        // No thread to be had: the ones started stop again, and the exception says why.
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        workAvailable_.notify_all();
        for (std::thread& worker : workers_) {
            worker.join();
        }
        throw;
    }
}

ColumnPipeline::~ColumnPipeline() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

std::span<uint8_t> ColumnPipeline::Slot(int32_t column) {
    return {buffers_.data() + static_cast<std::size_t>(column % window_) * columnBytes_,
            columnBytes_};
}

void ColumnPipeline::Run(std::unique_lock<std::mutex>& lock, int32_t column) {
    lock.unlock();
    std::exception_ptr failure;
    try {
        compute_(column, Slot(column));
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    if (failure && !failure_) {
        failure_ = failure;
        workAvailable_.notify_all(); // nobody starts another column
    }
    finished_[column % window_] = column;
    columnFinished_.notify_one();
}

void ColumnPipeline::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // A slot is free once the consumer has moved past the column that held it.
        workAvailable_.wait(lock, [this] {
            return stopping_ || failure_ || claimed_ >= columns_ || claimed_ < released_ + window_;
        });
        if (stopping_ || failure_ || claimed_ >= columns_) {
            return;
        }
        Run(lock, claimed_++);
    }
}

std::span<const uint8_t> ColumnPipeline::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (delivered_ >= columns_) {
        throw std::out_of_range("ColumnPipeline: every column has been delivered");
    }
    released_ = delivered_; // the caller is done with the column it had
    workAvailable_.notify_one();
    const int32_t column = delivered_;
    if (claimed_ == column) {
        ++claimed_;
        Run(lock, column);
    } else {
        columnFinished_.wait(lock,
                             [&] { return failure_ || finished_[column % window_] == column; });
    }
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    ++delivered_;
    return Slot(column);
}

int DefaultRenderThreads() {
    return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

} // namespace rw
