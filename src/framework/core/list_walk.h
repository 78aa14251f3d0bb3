#pragma once
// A range over a List's values for range-based for loops that may change the values (a const list walks
// its values read-only by itself). The list must not lose the item the loop stands on while the loop runs.
#include "framework/core/list.h"

namespace vael {

template <class T> class ListWalk {
public:
    explicit ListWalk(const List<T>& list) : list_(list) {}

    class Step {
    public:
        explicit Step(Item<T>* item) : item_(item) {}
        T& operator*() const { return item_->value; }
        Step& operator++() { return item_ = item_->next, *this; }
        bool operator!=(const Step& other) const { return item_ != other.item_; }

    private:
        Item<T>* item_;
    };

    Step begin() const {
        Item<T>* first = nullptr;
        list_.firstItem(first);
        return Step(first);
    }
    Step end() const { return Step(nullptr); }

private:
    const List<T>& list_;
};

template <class T> ListWalk<T> each(const List<T>& list) {
    return ListWalk<T>(list);
}

// Whether a list of pointers holds the object, asked with a pointer that may not change it.
template <class T> bool holds(const List<T*>& list, const T* value) {
    for (const T* item : list)
        if (item == value) return true;
    return false;
}

} // namespace vael
