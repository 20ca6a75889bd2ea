// Reference counting shared by every object that lives behind a handle.
#pragma once

#include <atomic>

// Intrusive, thread-safe reference count. Shapes derive from it virtually, so a
// shape model that is both a shape and a model has a single count.
//
// A copy starts with no references: the count belongs to the object's place in
// memory, not to its value.
class ccRepBase {
  public:
    ccRepBase() noexcept : refs_(0) {}
    ccRepBase(const ccRepBase&) noexcept : refs_(0) {}
    ccRepBase& operator=(const ccRepBase&) noexcept { return *this; }
    virtual ~ccRepBase() = default;

    // Number of handles that share the object; only a hint under concurrency.
    long refCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

    void addRef_() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }

    // Drops one reference; true when it was the last, and the caller must delete.
    bool release_() const noexcept { return refs_.fetch_sub(1, std::memory_order_acq_rel) == 1; }

  private:
    mutable std::atomic<long> refs_;
};
