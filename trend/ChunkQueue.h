#pragma once
// A queue of fixed-size chunks: appending at the back and dropping from the
// front cost O(1) and never move what is stored (no copy of everything when
// it grows, which would stall the polling path), and item i is found in O(1).
// A chunk holds Size items as arrays of its own, one per field, and the item
// times in `time`, in order, so the queue is searched by time.

#include "trend/TrendSource.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

namespace trend {

template <typename Chunk>
class ChunkQueue {
public:
    static constexpr std::size_t Size = Chunk::Size;
    using Place = std::pair<Chunk *, std::size_t>; // the chunk and the slot in it

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Item i, 0 being the oldest.
    Place at(std::size_t i) const
    {
        const std::size_t p = head_ + i;
        return {chunks_[p / Size].get(), p % Size};
    }
    Millis timeAt(std::size_t i) const
    {
        const Place place = at(i);
        return place.first->time[place.second];
    }
    // Calls visit(chunk, first, end) for the slots [first, end) of each
    // chunk that items [from, to) lie in, oldest first.
    template <typename Visit>
    void forEachRun(std::size_t from, std::size_t to, Visit visit) const
    {
        while (from < to) {
            const auto [chunk, slot] = at(from);
            const std::size_t count = std::min(to - from, Size - slot);
            visit(*chunk, slot, slot + count);
            from += count;
        }
    }
    // Room for one more item, at the back.
    Place pushBack()
    {
        if ((head_ + size_) / Size == chunks_.size())
            chunks_.push_back(spare_ ? std::move(spare_) : std::make_unique_for_overwrite<Chunk>());
        return at(size_++);
    }
    void popFront()
    {
        --size_;
        if (++head_ == Size) {
            // The emptied chunk is kept for the next one needed at the back.
            spare_ = std::move(chunks_.front());
            chunks_.pop_front();
            head_ = 0;
        }
    }
    // The first item with a time at or after t (upper: after t); size() when none.
    std::size_t lowerBound(Millis t, bool upper = false) const
    {
        std::size_t low = 0;
        std::size_t high = size_;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            const Millis time = timeAt(middle);
            if (time < t || (upper && time == t))
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    }
    std::size_t memoryBytes() const
    {
        return (chunks_.size() + (spare_ ? 1 : 0)) * sizeof(Chunk) + chunks_.size() * sizeof(std::unique_ptr<Chunk>);
    }

private:
    std::deque<std::unique_ptr<Chunk>> chunks_;
    std::unique_ptr<Chunk> spare_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

} // namespace trend
