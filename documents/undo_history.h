#pragma once
// What a document's Undo can take back, and whether its picture differs from its file. Each
// change of the picture makes a new revision; saving or loading marks the revision the file
// holds, so that undoing back to it leaves the document unmodified and undoing past it does not.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace rw {

class UndoHistory {
public:
    // At most `maxSteps` steps whose pictures take at most `maxBytes` together; the latest step
    // is kept whatever its size, so there is always one level.
    explicit UndoHistory(std::size_t maxSteps = 8, std::size_t maxBytes = std::size_t{256} << 20);

    bool Modified() const { return revision_ != saved_; }
    // A change that Undo cannot take back (a generator, a paste): the earlier steps are
    // forgotten, as taking one back now would lose this change without a word.
    void Changed();
    // The picture is what its file now holds.
    void Saved();
    // The picture was loaded anew from its file: nothing to undo, nothing modified.
    void Loaded();

    // A change that Undo can take back: `name` names it, `before` is the picture it replaced.
    void Done(std::wstring name, std::vector<uint8_t> before);
    bool CanUndo() const { return !steps_.empty(); }
    std::size_t Steps() const { return steps_.size(); }
    // The name of the step that Undo takes back next, and the picture from before it.
    const std::wstring& UndoName() const;
    const std::vector<uint8_t>& UndoPicture() const;
    // The picture from before the last step is back in the document: the step is gone, and
    // the document is modified exactly when that earlier picture is not its file's.
    void Undone();

private:
    struct Step {
        std::wstring name;
        std::vector<uint8_t> before;
        uint64_t revisionBefore;
    };
    void NewRevision() { revision_ = next_++; }
    void Trim();

    std::deque<Step> steps_;
    std::size_t maxSteps_;
    std::size_t maxBytes_;
    uint64_t revision_ = 0;
    uint64_t next_ = 1;
    uint64_t saved_ = 0;
};

} // namespace rw
