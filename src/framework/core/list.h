#pragma once
// Counted doubly linked list of values whose nodes come from memory-manager pools, its node and its
// cursor. A list holds values: a list of pointers never deletes what they point to.
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include "framework/core/memory_manager.h"
#include "framework/core/type_name.h"

namespace vael {

class SuperString;
class TypeInfoBase;

// How lists reach the type registry and the stream without knowing either at compile time, so that a
// list of any type compiles (its streaming then fails at run time when the element type has no record).
namespace list_stream {
// The registered record of the element type, or null (reported, and the stream marked failed).
TypeInfoBase* record(const char* typeName, SuperString& stream, bool forWriting);
void writeCount(SuperString& stream, std::int16_t count);
std::int16_t readCount(SuperString& stream);
void writeValue(TypeInfoBase* record, SuperString& stream, const void* value);
void readValueInto(TypeInfoBase* record, SuperString& stream, void* list);
bool failed(const SuperString& stream);
} // namespace list_stream

// Reports, as a failed check, a value a list refused because its 16-bit count cannot go higher.
void reportListFull();

template <class T> class ListIterator;

template <class T> struct Item {
    T value;
    Item* next = nullptr;
    Item* prev = nullptr;

    explicit Item(const T& v) : value(v) {}
};

template <class T> class List {
public:
    // The count is 16 bits wide, in memory and on the stream: a list never holds more than this.
    static constexpr std::int16_t MaxCount = 32767;

    explicit List(std::uint16_t privatePool = 0) : privatePool_(privatePool) {
        pool_ = privatePool_ ? makePool(10) : sharedPool();
    }

    List(const List& other) : privatePool_(other.privatePool_) {
        pool_ = privatePool_ ? makePool(other.count_) : sharedPool();
        appendAll(other);
    }

    List& operator=(const List& other) {
        if (this == &other) return *this;
        if (privatePool_) {
            releasePrivatePool();
            pool_ = makePool(other.count_);
        } else {
            clear();
        }
        appendAll(other);
        return *this;
    }

    // Virtual because the list has virtual streaming operations and a derived Queue: a list destroyed
    // through a pointer to its base must still release its nodes.
    virtual ~List() {
        if (privatePool_)
            releasePrivatePool();
        else
            deleteNodes();
    }

    bool operator==(const List& other) const {
        if (count_ != other.count_) return false;
        for (Item<T>*a = head_, *b = other.head_; a; a = a->next, b = b->next)
            if (!(a->value == b->value)) return false;
        return true;
    }

    std::int16_t count() const { return count_; }
    std::int16_t isEmpty() const { return head_ == nullptr; }

    std::int16_t contains(const T& value) const {
        for (Item<T>* n = head_; n; n = n->next)
            if (n->value == value) return 1;
        return 0;
    }

    std::int16_t first(T& out) const {
        if (!head_) return 0;
        out = head_->value;
        return 1;
    }
    std::int16_t last(T& out) const {
        if (!tail_) return 0;
        out = tail_->value;
        return 1;
    }
    // A read-only walk for range-based for loops, so that code holding a const list reads it without a
    // cursor (a cursor may change the list, so it takes a list it may change). The list must keep the item
    // the loop stands on while the loop runs.
    class ConstIterator {
    public:
        explicit ConstIterator(const Item<T>* item) : item_(item) {}
        const T& operator*() const { return item_->value; }
        ConstIterator& operator++() { return item_ = item_->next, *this; }
        bool operator==(const ConstIterator& other) const { return item_ == other.item_; }

    private:
        const Item<T>* item_;
    };
    ConstIterator begin() const { return ConstIterator(head_); }
    ConstIterator end() const { return ConstIterator(nullptr); }

    std::int16_t firstItem(Item<T>*& out) const {
        if (!head_) return 0;
        out = head_;
        return 1;
    }
    std::int16_t lastItem(Item<T>*& out) const {
        if (!tail_) return 0;
        out = tail_;
        return 1;
    }

    // A full list refuses the value (a failed check) and stays as it was.
    void append(const T& value) {
        if (isFull()) return;
        Item<T>* n = newNode(value);
        n->prev = tail_;
        if (tail_)
            tail_->next = n;
        else
            head_ = n;
        tail_ = n;
        ++count_;
    }

    void prepend(const T& value) {
        if (isFull()) return;
        Item<T>* n = newNode(value);
        n->next = head_;
        if (head_)
            head_->prev = n;
        else
            tail_ = n;
        head_ = n;
        ++count_;
    }

    List& operator+=(const T& value) {
        append(value);
        return *this;
    }
    List& operator<<(const T& value) {
        append(value);
        return *this;
    }

    std::int16_t remove(const T& value) {
        for (Item<T>* n = head_; n; n = n->next)
            if (n->value == value) {
                unlinkAndDelete(n);
                return 1;
            }
        return 0;
    }

    std::int16_t removeItem(Item<T>* item) {
        for (Item<T>* n = head_; n; n = n->next)
            if (n == item) {
                unlinkAndDelete(n);
                return 1;
            }
        return 0;
    }

    // Unlinks every entry the predicate holds for in one pass, keeping the others where they are, and
    // stops early once it has taken as many as the limit; answers how many went.
    template <class Pred> std::int32_t removeWhere(Pred pred, std::int32_t limit = INT32_MAX) {
        std::int32_t removed = 0;
        for (Item<T>* n = head_; n && removed < limit;) {
            Item<T>* following = n->next;
            if (pred(n->value)) {
                unlinkAndDelete(n);
                ++removed;
            }
            n = following;
        }
        return removed;
    }

    std::int32_t removeAll(const T& value) {
        std::int32_t removed = 0;
        while (remove(value))
            ++removed;
        return removed;
    }

    std::int16_t removeFirst() {
        if (!head_) return 0;
        unlinkAndDelete(head_);
        return 1;
    }
    std::int16_t removeFirst(T& out) {
        if (!head_) return 0;
        out = head_->value;
        unlinkAndDelete(head_);
        return 1;
    }
    std::int16_t removeLast() {
        if (!tail_) return 0;
        unlinkAndDelete(tail_);
        return 1;
    }
    std::int16_t removeLast(T& out) {
        if (!tail_) return 0;
        out = tail_->value;
        unlinkAndDelete(tail_);
        return 1;
    }

    List& operator-=(const T& value) {
        remove(value);
        return *this;
    }
    List& operator-=(Item<T>* item) {
        removeItem(item);
        return *this;
    }
    List& operator>>(T& out) {
        if (head_) removeLast(out);
        return *this;
    }

    void clear() {
        if (privatePool_) {
            releasePrivatePool();
            pool_ = makePool(10);
        } else {
            deleteNodes();
        }
        head_ = tail_ = nullptr;
        count_ = 0;
    }

    List intersection(const List& other) const {
        List result(0);
        for (Item<T>* n = other.head_; n; n = n->next)
            if (contains(n->value)) result.append(n->value);
        return result;
    }

    List unionWith(const List& other) const {
        List result(*this);
        for (Item<T>* n = other.head_; n; n = n->next)
            if (!result.contains(n->value)) result.append(n->value);
        return result;
    }

    std::uint16_t hasPrivatePool() const { return privatePool_; }
    HeapPool pool() const { return pool_; }

    // A 16-bit count, then each value head to tail through the element type's registered record. Without
    // a record the count is written as 0 and the stream is marked failed.
    virtual void write(SuperString& stream) const {
        TypeInfoBase* record = list_stream::record(elementName(), stream, true);
        list_stream::writeCount(stream, record ? count_ : 0);
        if (!record) return;
        for (Item<T>* n = head_; n; n = n->next)
            list_stream::writeValue(record, stream, &n->value);
    }

    // Replaces the contents by a count and that many values read through the element type's record; a
    // count of 0 or less reads nothing more, and reading stops at the first value that fails.
    virtual void read(SuperString& stream) {
        clear();
        TypeInfoBase* record = list_stream::record(elementName(), stream, false);
        if (!record) return;
        const std::int16_t n = list_stream::readCount(stream);
        for (std::int16_t i = 0; i < n && !list_stream::failed(stream); ++i)
            list_stream::readValueInto(record, stream, this);
    }

private:
    friend class ListIterator<T>;

    static const char* elementName() {
        if constexpr (HasTypeName<T>)
            return TypeName<T>::name();
        else
            return nullptr;
    }

    bool isFull() const {
        if (count_ < MaxCount) return false;
        reportListFull();
        return true;
    }

    static HeapPool makePool(std::int16_t blocks) {
        return heapPoolCreateFixed(sizeof(Item<T>), blocks > 0 ? static_cast<std::size_t>(blocks) : 0, 0);
    }

    // One pool shared by every list of this element type, made by the first of them and kept to the end.
    static HeapPool sharedPool() {
        static HeapPool shared = heapPoolCreateFixed(sizeof(Item<T>), 10, 0);
        return shared;
    }

    Item<T>* newNode(const T& value) {
        void* block = heapAlloc(sizeof(Item<T>), 0, pool_);
        if (!block) throw std::bad_alloc();
        try {
            return new (block) Item<T>(value);
        } catch (...) {
            operatorDelete(block);
            throw;
        }
    }

    void deleteNode(Item<T>* n) {
        n->~Item<T>();
        operatorDelete(n);
    }

    void unlinkAndDelete(Item<T>* n) {
        unlink(n);
        deleteNode(n);
        --count_;
    }

    void unlink(Item<T>* n) {
        if (n->prev)
            n->prev->next = n->next;
        else
            head_ = n->next;
        if (n->next)
            n->next->prev = n->prev;
        else
            tail_ = n->prev;
        n->next = n->prev = nullptr;
    }

    void deleteNodes() {
        Item<T>* n = head_;
        while (n) {
            Item<T>* next = n->next;
            deleteNode(n);
            n = next;
        }
        head_ = tail_ = nullptr;
        count_ = 0;
    }

    // Destroying the pool frees every node at once; values that own memory are destroyed first so
    // that a list of strings or of lists leaks nothing.
    void releasePrivatePool() {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            for (Item<T>* n = head_; n; n = n->next)
                n->value.~T();
        }
        if (pool_) heapPoolDestroy(pool_);
        pool_ = nullptr;
        head_ = tail_ = nullptr;
        count_ = 0;
    }

    void appendAll(const List& other) {
        for (Item<T>* n = other.head_; n; n = n->next)
            append(n->value);
    }

    std::int16_t count_ = 0;
    std::uint16_t privatePool_ = 0;
    HeapPool pool_ = nullptr;
    Item<T>* head_ = nullptr;
    Item<T>* tail_ = nullptr;
};

template <class T> SuperString& operator<<(SuperString& stream, const List<T>& list) {
    list.write(stream);
    return stream;
}
template <class T> SuperString& operator>>(SuperString& stream, List<T>& list) {
    list.read(stream);
    return stream;
}

// A first-in first-out list: appended at the tail, taken from the head.
template <class T> class Queue : public List<T> {
public:
    explicit Queue(std::uint16_t privatePool = 0) : List<T>(privatePool) {}
    void push(const T& value) { this->append(value); }
    std::int16_t pop(T& out) { return this->removeFirst(out); }
};

template <class T> class ListIterator {
public:
    ListIterator() = default;
    ListIterator(List<T>& list, std::uint32_t direction = 0) { attach(list, direction); }
    ListIterator(const ListIterator&) = default;
    ListIterator& operator=(const ListIterator&) = default;

    void attach(List<T>& list, std::uint32_t direction = 0) {
        list_ = &list;
        direction_ = direction;
        reset();
    }

    void reset() {
        if (list_) current_ = start();
    }

    void setDirection(std::uint32_t direction) {
        direction_ = direction;
        reset();
    }

    void advance() {
        if (!list_) return;
        if (!current_)
            reset();
        else
            current_ = direction_ == 0 ? current_->next : current_->prev;
    }

    std::int16_t next(T& out) {
        Item<T>* item = nullptr;
        if (!nextItem(item)) return 0;
        out = item->value;
        return 1;
    }

    std::int16_t nextItem(Item<T>*& out) {
        if (!list_) return 0;
        Item<T>* taken = current_;
        advance();
        if (!taken) return 0;
        out = taken;
        return 1;
    }

    std::int16_t current(T& out) const {
        Item<T>* item = nullptr;
        if (!currentItem(item)) return 0;
        out = item->value;
        return 1;
    }

    std::int16_t currentItem(Item<T>*& out) const {
        if (!list_) return 0;
        Item<T>* n = current_ ? current_ : (direction_ == 0 ? list_->tail_ : list_->head_);
        if (!n) return 0;
        out = n;
        return 1;
    }

    std::int16_t skip() {
        if (!list_) return 0;
        advance();
        return current_ != nullptr;
    }

    std::int16_t isNull() const { return list_ == nullptr; }

    void reverse() {
        direction_ = direction_ == 0 ? 1 : 0;
        advance();
        advance();
    }

    std::int16_t remove() {
        if (!list_ || !list_->head_) return 0;
        if (current_ == start()) return 0;
        if (direction_ == 0) {
            if (current_) {
                Item<T>* victim = current_->prev;
                list_->unlinkAndDelete(victim);
            } else {
                list_->removeLast();
            }
        } else {
            if (current_) {
                Item<T>* victim = current_->next;
                list_->unlinkAndDelete(victim);
            } else {
                list_->removeFirst();
            }
        }
        return 1;
    }

    // 0 as well when the list is full (reported as a failed check).
    std::int16_t insert(const T& value) {
        if (!list_ || current_ == start()) return 0;
        List<T>& l = *list_;
        if (l.isFull()) return 0;
        if (direction_ == 0) {
            if (!current_) {
                l.append(value);
                return 1;
            }
            Item<T>* n = l.newNode(value);
            n->next = current_;
            n->prev = current_->prev;
            if (current_->prev)
                current_->prev->next = n;
            else
                l.head_ = n;
            current_->prev = n;
        } else {
            if (!current_) {
                l.prepend(value);
                return 1;
            }
            Item<T>* n = l.newNode(value);
            n->prev = current_;
            n->next = current_->next;
            if (current_->next)
                current_->next->prev = n;
            else
                l.tail_ = n;
            current_->next = n;
        }
        ++l.count_;
        return 1;
    }

private:
    Item<T>* start() const { return direction_ == 0 ? list_->head_ : list_->tail_; }

    List<T>* list_ = nullptr;
    Item<T>* current_ = nullptr;
    std::uint32_t direction_ = 0;
};

} // namespace vael
