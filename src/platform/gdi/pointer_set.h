#pragma once
// A set of pointers in one flat table (open addressing, linear probing): membership
// tests, insertions and removals without allocating a node each and without dividing,
// for registries of handles that are made and checked by the thousand.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::gdi_detail {

template <class T> class PointerSet {
public:
    bool contains(const T* p) const
    {
        if (!p || slots_.empty())
            return false;
        for (std::size_t i = home(p);; i = next(i)) {
            if (slots_[i] == p)
                return true;
            if (!slots_[i])
                return false;
        }
    }

    void insert(T* p)
    {
        if (!p)
            return;
        if ((count_ + 1) * 2 > slots_.size())
            rehash(slots_.empty() ? 64 : slots_.size() * 2);
        std::size_t i = home(p);
        for (; slots_[i]; i = next(i))
            if (slots_[i] == p)
                return;
        slots_[i] = p;
        ++count_;
    }

    bool erase(const T* p)
    {
        if (!p || slots_.empty())
            return false;
        std::size_t i = home(p);
        for (; slots_[i] != p; i = next(i))
            if (!slots_[i])
                return false;
        // Backward shift: later entries of the same probe run move into the hole, so
        // no search ever stops early at it.
        for (std::size_t j = next(i); slots_[j]; j = next(j)) {
            const std::size_t k = home(slots_[j]);
            const bool stays = i <= j ? (k > i && k <= j) : (k > i || k <= j);
            if (!stays) {
                slots_[i] = slots_[j];
                i = j;
            }
        }
        slots_[i] = nullptr;
        --count_;
        return true;
    }

    std::size_t size() const { return count_; }

private:
    std::size_t home(const T* p) const
    {
        uint64_t x = reinterpret_cast<uintptr_t>(p);
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        return std::size_t(x) & (slots_.size() - 1);
    }
    std::size_t next(std::size_t i) const { return (i + 1) & (slots_.size() - 1); }

    void rehash(std::size_t capacity)
    {
        std::vector<T*> old(capacity, nullptr);
        old.swap(slots_);
        count_ = 0;
        for (T* p : old)
            if (p)
                insert(p);
    }

    std::vector<T*> slots_;  // a power of two in size, at most half full
    std::size_t count_ = 0;
};

}  // namespace platform::gdi_detail
