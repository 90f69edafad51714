#include "trend/MinMaxPyramid.h"

namespace trend {

void MinMaxPyramid::build(const float *values, std::size_t count)
{
    values_ = values;
    for (int level = 0; level < Levels; ++level) {
        const std::size_t below = level == 0 ? count : blocks_[std::size_t(level - 1)].size();
        LineVector<Extremes> &blocks = blocks_[std::size_t(level)];
        blocks.assign((below + Mask) >> Shift, Extremes());
        for (std::size_t i = 0; i < below; ++i) {
            if (level == 0)
                blocks[i >> Shift].add(values[i]);
            else
                blocks[i >> Shift].add(blocks_[std::size_t(level - 1)][i]);
        }
    }
}

// Each level takes the items before the first whole block of the level
// above and those after the last one; the whole blocks between go a level up
// (as their indices there). True when nothing is left for the level above.
template <typename Item>
bool MinMaxPyramid::takeEdges(const Item *items, std::size_t &from, std::size_t &to, bool top, Extremes &result)
{
    const std::size_t whole = (from + Mask) & ~Mask;
    const std::size_t wholeEnd = to & ~Mask;
    const bool last = top || whole >= wholeEnd;
    for (std::size_t i = from; i < (last ? to : whole); ++i)
        result.add(items[i]);
    if (last)
        return true;
    for (std::size_t i = wholeEnd; i < to; ++i)
        result.add(items[i]);
    from = whole >> Shift;
    to = wholeEnd >> Shift;
    return false;
}

Extremes MinMaxPyramid::range(std::size_t from, std::size_t to) const
{
    Extremes result;
    if (takeEdges(values_, from, to, false, result))
        return result;
    for (std::size_t level = 0; level < blocks_.size(); ++level) {
        if (takeEdges(blocks_[level].data(), from, to, level + 1 == blocks_.size(), result))
            break;
    }
    return result;
}

std::size_t MinMaxPyramid::memoryBytes() const
{
    std::size_t bytes = 0;
    for (const LineVector<Extremes> &blocks : blocks_)
        bytes += blocks.capacity() * sizeof(Extremes);
    return bytes;
}

} // namespace trend
