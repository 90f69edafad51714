#pragma once
// The lowest and highest value of every block of 16, 256 and 4096 samples of
// a series, so that the extremes of any run of samples cost a few dozen steps
// instead of one per sample.

#include "trend/EnvelopeBuilder.h"

#include <array>
#include <cstddef>
#include <new>
#include <vector>

namespace trend {

// Storage on cache lines of its own: a block of the pyramid, or of the
// samples, then takes one line to read instead of two.
template <typename T>
struct LineAllocator {
    using value_type = T;
    LineAllocator() = default;
    template <typename U>
    LineAllocator(const LineAllocator<U> &) {}
    T *allocate(std::size_t n) { return static_cast<T *>(::operator new(n * sizeof(T), std::align_val_t(64))); }
    void deallocate(T *p, std::size_t) { ::operator delete(p, std::align_val_t(64)); }
    bool operator==(const LineAllocator &) const { return true; }
};
template <typename T>
using LineVector = std::vector<T, LineAllocator<T>>;

class MinMaxPyramid {
public:
    // Summarises `count` values, which must stay where they are while the
    // pyramid is used.
    void build(const float *values, std::size_t count);

    Extremes range(std::size_t from, std::size_t to) const;
    std::size_t memoryBytes() const;

private:
    static constexpr int Shift = 3;
    static constexpr std::size_t Mask = (1u << Shift) - 1;
    static constexpr int Levels = 4; // above the samples themselves

    template <typename Item>
    static bool takeEdges(const Item *items, std::size_t &from, std::size_t &to, bool top, Extremes &result);

    const float *values_ = nullptr;
    std::array<LineVector<Extremes>, Levels> blocks_;
};

} // namespace trend
