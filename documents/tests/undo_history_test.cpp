// A document's Undo steps and its modified state through saves, loads and changes Undo cannot
// take back.
#include <gtest/gtest.h>

#include "documents/undo_history.h"

namespace {

using rw::UndoHistory;

std::vector<uint8_t> Picture(uint8_t value, std::size_t bytes = 4) {
    return std::vector<uint8_t>(bytes, value);
}

TEST(UndoHistory, UndoTakesTheStepsBackInTurnAndTheFilesRevisionIsUnmodified) {
    UndoHistory history;
    EXPECT_FALSE(history.Modified());
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.UndoName(), L"");
    history.Done(L"Invert", Picture(1));
    history.Done(L"Blur", Picture(2));
    EXPECT_TRUE(history.Modified());
    EXPECT_EQ(history.UndoName(), L"Blur");
    EXPECT_EQ(history.UndoPicture(), Picture(2));
    history.Undone();
    EXPECT_EQ(history.UndoName(), L"Invert");
    EXPECT_TRUE(history.Modified());
    history.Undone();
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.Modified()) << "back at the picture it started with";
    history.Undone(); // nothing left: no effect
    EXPECT_FALSE(history.Modified());
}

TEST(UndoHistory, UndoingPastASaveModifiesAndUndoingBackToItDoesNot) {
    UndoHistory history;
    history.Done(L"Invert", Picture(1));
    history.Saved();
    EXPECT_FALSE(history.Modified());
    history.Undone();
    EXPECT_TRUE(history.Modified()) << "the file holds the inverted picture";

    history.Done(L"Invert", Picture(1));
    history.Done(L"Blur", Picture(2));
    history.Saved();
    history.Done(L"Sharpen", Picture(3));
    history.Undone();
    EXPECT_FALSE(history.Modified()) << "back at what was saved";
}

TEST(UndoHistory, ChangesUndoCannotTakeBackForgetTheStepsAndLoadingStartsAfresh) {
    UndoHistory history;
    history.Done(L"Invert", Picture(1));
    history.Changed();
    EXPECT_FALSE(history.CanUndo());
    EXPECT_TRUE(history.Modified());
    history.Saved();
    history.Done(L"Invert", Picture(1));
    history.Loaded();
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.Modified());
}

TEST(UndoHistory, KeepsTheLatestStepsThatFitAndAlwaysOne) {
    UndoHistory history(3, 10);
    for (uint8_t k = 1; k <= 5; ++k) {
        history.Done(L"step", Picture(k, 3));
    }
    EXPECT_EQ(history.Steps(), 3u);
    EXPECT_EQ(history.UndoPicture(), Picture(5, 3));
    history.Done(L"large", Picture(9, 40));
    EXPECT_EQ(history.Steps(), 1u) << "a picture larger than the budget is still one level";
    history.Undone();
    EXPECT_TRUE(history.Modified()) << "the forgotten steps' changes are still in the picture";
}

} // namespace
