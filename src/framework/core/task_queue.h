#pragma once
// The application's queue of tasks: first in, first out, with the tasks kept as values in one circular
// block. Once the block has grown to the busiest moment's size, queueing a task allocates nothing (the
// copy of its payload aside), which keeps asynchronous sends close to the cost of synchronous ones.
#include <cstdint>
#include <utility>
#include <vector>

#include "framework/core/cb_task.h"

namespace vael {

class TaskQueue {
public:
    std::int32_t count() const { return count_; }
    bool isEmpty() const { return count_ == 0; }

    // Appends an empty task and answers it, for the caller to fill in place. The reference stays valid
    // until the next append.
    CBtask& append() {
        if (count_ == static_cast<std::int32_t>(slots_.size())) grow();
        CBtask& slot = slots_[index(count_)];
        ++count_;
        return slot;
    }

    // The first task, left in the queue, and its removal (the queue must not be empty). What is left in the
    // slot is not destroyed until the slot is used again.
    CBtask& first() { return slots_[head_]; }
    void dropFirst() {
        head_ = index(1);
        --count_;
    }

    // Takes the first task out of the queue (the queue must not be empty).
    CBtask takeFirst() {
        CBtask first(std::move(slots_[head_]));
        head_ = index(1);
        --count_;
        return first;
    }

    // Drops every task the predicate picks, keeping the order of the others.
    template <class Pick> std::int32_t removeIf(Pick pick) {
        std::int32_t kept = 0;
        for (std::int32_t i = 0; i < count_; ++i) {
            CBtask& task = slots_[index(i)];
            if (pick(task)) {
                task = CBtask();
                continue;
            }
            if (kept != i) slots_[index(kept)] = std::move(task);
            ++kept;
        }
        const std::int32_t removed = count_ - kept;
        count_ = kept;
        return removed;
    }

    template <class Visit> void forEach(Visit visit) const {
        for (std::int32_t i = 0; i < count_; ++i)
            visit(slots_[index(i)]);
    }

private:
    // The block's size is a power of two, so that wrapping round is a mask.
    std::size_t index(std::int32_t offset) const {
        return (head_ + static_cast<std::size_t>(offset)) & (slots_.size() - 1);
    }

    void grow() {
        std::vector<CBtask> larger(slots_.empty() ? 64 : slots_.size() * 2);
        for (std::int32_t i = 0; i < count_; ++i)
            larger[static_cast<std::size_t>(i)] = std::move(slots_[index(i)]);
        slots_.swap(larger);
        head_ = 0;
    }

    std::vector<CBtask> slots_;
    std::size_t head_ = 0;
    std::int32_t count_ = 0;
};

} // namespace vael
