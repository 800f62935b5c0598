#include "documents/undo_history.h"

#include <stdexcept>
#include <utility>

namespace rw {

UndoHistory::UndoHistory(std::size_t maxSteps, std::size_t maxBytes)
    : maxSteps_(maxSteps < 1 ? 1 : maxSteps), maxBytes_(maxBytes) {}

void UndoHistory::Changed() {
    steps_.clear();
    NewRevision();
}

void UndoHistory::Saved() {
    saved_ = revision_;
}

void UndoHistory::Loaded() {
    steps_.clear();
    NewRevision();
    saved_ = revision_;
}

void UndoHistory::Done(std::wstring name, std::vector<uint8_t> before) {
    steps_.push_back({std::move(name), std::move(before), revision_});
    NewRevision();
    Trim();
}

void UndoHistory::Trim() {
    std::size_t bytes = 0;
    for (const Step& step : steps_) {
        bytes += step.before.size();
    }
    while (steps_.size() > 1 && (steps_.size() > maxSteps_ || bytes > maxBytes_)) {
        bytes -= steps_.front().before.size();
        steps_.pop_front();
    }
}

const std::wstring& UndoHistory::UndoName() const {
    static const std::wstring none;
    return steps_.empty() ? none : steps_.back().name;
}

const std::vector<uint8_t>& UndoHistory::UndoPicture() const {
    if (steps_.empty()) {
        throw std::logic_error("there is nothing to undo");
    }
    return steps_.back().before;
}

void UndoHistory::Undone() {
    if (steps_.empty()) {
        return;
    }
    revision_ = steps_.back().revisionBefore;
    steps_.pop_back();
}

} // namespace rw
