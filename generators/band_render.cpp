#include "generators/band_render.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/numerics.h"

namespace rw {
namespace {

// Bytes of levels that the bands in flight may hold together. Bands of more rows amortise what
// a model works out once per column; the budget keeps the whole render within a few tens of
// megabytes however many processors there are.
constexpr std::size_t kBandBudget = std::size_t{16} << 20;
constexpr int32_t kMaxBandRows = 256;
// The survey keeps one range per band, not the levels, so its bands only need to be tall
// enough to amortise the per-column work.
constexpr int32_t kSurveyBandRows = 256;

int32_t BandsInFlight(int threads) {
    return 2 * std::max(threads, 1);
}

// Normalised coordinates of `count` pixels from `first` on, along an axis of `size` pixels.
std::vector<float> Coordinates(int32_t first, int32_t count, int32_t size) {
    std::vector<float> coordinates(static_cast<std::size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        coordinates[static_cast<std::size_t>(k)] = NormalizedCoordinate(first + k, size);
    }
    return coordinates;
}

int32_t BandCount(int32_t rows, int32_t rowsPerBand) {
    return static_cast<int32_t>((int64_t{rows} + rowsPerBand - 1) / rowsPerBand);
}

// The percentage of the pixels a render visits (those it surveys and those it renders) that it
// has visited.
class Percentage {
public:
    explicit Percentage(double total) : total_(std::max(total, 1.0)) {}
    int32_t Add(double pixels) {
        done_ += pixels;
        return static_cast<int32_t>(Int(done_ * 100.0 / total_));
    }

private:
    double total_;
    double done_ = 0.0;
};

// The range of the whole image's field, surveyed in bands of rows. False when the host stopped
// the survey.
bool SurveyInBands(TerrainModel& model, int32_t width, int32_t height, RenderHost& host,
                   int threads, Percentage& percentage, FieldRange& range) {
    const std::vector<float> xs = Coordinates(0, width, width);
    const int32_t bands = BandCount(height, kSurveyBandRows);
    ColumnPipeline survey(bands, sizeof(FieldRange), threads, BandsInFlight(threads),
                          [&](int32_t band, std::span<uint8_t> slot) {
                              const int32_t first = band * kSurveyBandRows;
                              const std::vector<float> ys = Coordinates(
                                  first, std::min(kSurveyBandRows, height - first), height);
                              const std::unique_ptr<ColumnModel> columns = model.Columns(ys);
                              FieldRange bandRange;
                              for (const float x : xs) {
                                  bandRange.Add(columns->SurveyColumn(x));
                              }
                              std::memcpy(slot.data(), &bandRange, sizeof bandRange);
                          });
    for (int32_t band = 0; band < bands; ++band) {
        FieldRange bandRange;
        std::memcpy(&bandRange, survey.Next().data(), sizeof bandRange);
        range.Add(bandRange);
        const int32_t rows = std::min(kSurveyBandRows, height - band * kSurveyBandRows);
        host.Progress(percentage.Add(static_cast<double>(rows) * width));
        if (host.CancelRequested()) {
            return false;
        }
    }
    return true;
}

} // namespace

int32_t DefaultBandRows(int32_t width, int threads) {
    const std::size_t perBand = kBandBudget / static_cast<std::size_t>(BandsInFlight(threads));
    const std::size_t rowBytes = static_cast<std::size_t>(std::max(width, 1)) * sizeof(float);
    return static_cast<int32_t>(
        std::clamp<std::size_t>(perBand / rowBytes, 1, static_cast<std::size_t>(kMaxBandRows)));
}

bool RenderRowBands(TerrainModel& model, int32_t imageWidth, int32_t imageHeight,
                    const PixelRegion& region, const BandConsumer& consume, RenderHost& host,
                    int threads, int32_t bandRows) {
    if (imageWidth <= 0 || imageHeight <= 0 || region.width <= 0 || region.height <= 0 ||
        region.x < 0 || region.y < 0 || region.x > imageWidth - region.width ||
        region.y > imageHeight - region.height) {
        throw std::invalid_argument("RenderRowBands: the region is not a part of the image");
    }
    // A model that keeps state per call (a per-pixel model seen as columns) runs on one thread.
    threads = model.Columns({})->ThreadSafe() ? std::max(threads, 1) : 1;
    const int32_t width = region.width;
    const int32_t rowsPerBand = bandRows > 0 ? bandRows : DefaultBandRows(width, threads);
    const bool surveys = model.SurveysField();
    Percentage percentage((surveys ? static_cast<double>(imageWidth) * imageHeight : 0.0) +
                          static_cast<double>(width) * region.height);

    FieldRange range;
    if (surveys &&
        !SurveyInBands(model, imageWidth, imageHeight, host, threads, percentage, range)) {
        return false;
    }

    const std::vector<float> xs = Coordinates(region.x, width, imageWidth);
    const std::size_t bandLevels = static_cast<std::size_t>(rowsPerBand) * width;
    const int32_t bands = BandCount(region.height, rowsPerBand);
    ColumnPipeline render(
        bands, bandLevels * sizeof(float), threads, BandsInFlight(threads),
        [&](int32_t band, std::span<uint8_t> slot) {
            const int32_t first = band * rowsPerBand;
            const int32_t rows = std::min(rowsPerBand, region.height - first);
            const std::vector<float> ys = Coordinates(region.y + first, rows, imageHeight);
            const std::unique_ptr<ColumnModel> columns = model.Columns(ys);
            if (surveys) {
                columns->Surveyed(range);
            }
            // The models work a column at a time; the band holds rows.
            float* levels = reinterpret_cast<float*>(slot.data());
            std::vector<float> column(static_cast<std::size_t>(rows));
            for (int32_t i = 0; i < width; ++i) {
                columns->RawLevelColumn(xs[static_cast<std::size_t>(i)], column.data());
                for (int32_t j = 0; j < rows; ++j) {
                    levels[static_cast<std::size_t>(j) * width + i] =
                        column[static_cast<std::size_t>(j)];
                }
            }
        });
    for (int32_t band = 0; band < bands; ++band) {
        const int32_t first = band * rowsPerBand;
        const int32_t rows = std::min(rowsPerBand, region.height - first);
        const float* levels = reinterpret_cast<const float*>(render.Next().data());
        consume(first, rows, {levels, static_cast<std::size_t>(rows) * width});
        host.Progress(percentage.Add(static_cast<double>(rows) * width));
        if (host.CancelRequested()) {
            return false;
        }
    }
    return true;
}

} // namespace rw
