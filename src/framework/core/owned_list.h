#pragma once
// A list of objects with one owner: the objects live as long as the list holds them and go, in the
// order they came, when it is cleared or destroyed. Everyone else reads the plain list of links beside
// the owners, which never deletes anything.
#include <memory>
#include <utility>
#include <vector>

#include "framework/core/list.h"

namespace vael {

template <class T> class OwnedList {
public:
    OwnedList() = default;
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
    ~OwnedList() { clear(); }

    // Takes the object over and links it last; answers it (null for null, which is not kept).
    T* adopt(std::unique_ptr<T> object) {
        T* link = object.get();
        if (!link) return nullptr;
        owners_.push_back(std::move(object));
        links_.append(link);
        return link;
    }

    bool contains(const T* object) const {
        for (const auto& owner : owners_)
            if (owner.get() == object) return true;
        return false;
    }
    bool isEmpty() const { return owners_.empty(); }
    std::size_t size() const { return owners_.size(); }

    const List<T*>& links() const { return links_; }

    // Deletes every object, first come first gone; the links go before the objects do.
    void clear() {
        links_.clear();
        for (auto& owner : owners_)
            owner.reset();
        owners_.clear();
    }

private:
    std::vector<std::unique_ptr<T>> owners_;
    List<T*> links_;
};

} // namespace vael
