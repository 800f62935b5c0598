#pragma once
// Whole columns of gray levels at a time: the fast way to draw a terrain model. What depends only
// on the row is worked out once per render, what depends only on the column once per column, and
// only the rest per pixel, by the same expressions as the model's per-pixel Level, so the pixels
// are the same bit for bit.
#include <cstdint>
#include <span>

namespace rw {

// The lowest and highest field value seen, compared as a pixel-by-pixel survey compares them:
// strictly, from sentinels no field reaches, so values that are not numbers never count.
struct FieldRange {
    float lo = 1e10f;
    float hi = -1e10f;

    void Add(float h) {
        if (h > hi) {
            hi = h;
        }
        if (h < lo) {
            lo = h;
        }
    }
    // Folding the ranges of columns in column order gives the range a survey in that order gives.
    void Add(const FieldRange& other) {
        if (other.hi > hi) {
            hi = other.hi;
        }
        if (other.lo < lo) {
            lo = other.lo;
        }
    }
};

// Prepared by a model for one image height. The const members may run on several threads at once
// as long as the model says ThreadSafe; Surveyed runs alone, between the passes.
class ColumnModel {
public:
    virtual ~ColumnModel() = default;

    // False for a model that keeps state per call (such as a per-pixel model wrapped as columns).
    virtual bool ThreadSafe() const { return true; }

    // Models that survey the field: the range over the column at normalised coordinate x.
    virtual FieldRange SurveyColumn(float /*x*/) const { return {}; }
    // The range of the whole field, once the survey is complete.
    virtual void Surveyed(const FieldRange& /*range*/) {}

    // The gray level of every row of the column at x, top to bottom (one byte per row).
    virtual void LevelColumn(float x, uint8_t* gray) const = 0;
    // The levels v themselves, before they are rounded to gray: the values LevelColumn rounds,
    // bit for bit, for files that keep more than 8 bits per sample.
    virtual void RawLevelColumn(float x, float* levels) const = 0;
};

} // namespace rw
