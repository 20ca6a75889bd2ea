// Shared handles to reference-counted objects.
#pragma once

#include <type_traits>
#include <utility>

#include "vxstd12u/errors.h"
#include "vxstd12u/repbase.h"

// A shared handle to an object derived from ccRepBase. Copies share the
// object; the last handle to let go destroys it. T may be const-qualified:
// ccPtrHandle_const<T> is ccPtrHandle<const T>.
//
// Conversions: a handle converts implicitly to a handle of a base class and to
// the const form. Converting to a derived class is explicit and checked: the
// object must have that type, or ccBadPointer is thrown (an empty handle stays
// empty). Dereferencing an empty handle throws ccBadPointer.
template <class T>
class ccPtrHandle {
  public:
    using element_type = T;

    ccPtrHandle() noexcept = default;
    ccPtrHandle(std::nullptr_t) noexcept {}

    // Takes ownership of a new object (or of one already shared by handles).
    explicit ccPtrHandle(T* object) noexcept : ptr_(object) { retain(); }

    ccPtrHandle(const ccPtrHandle& other) noexcept : ptr_(other.ptr_) { retain(); }
    ccPtrHandle(ccPtrHandle&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}

    template <class U, std::enable_if_t<std::is_convertible<U*, T*>::value, int> = 0>
    ccPtrHandle(const ccPtrHandle<U>& other) noexcept : ptr_(other.get()) {
        retain();
    }

    template <class U,
              std::enable_if_t<!std::is_convertible<U*, T*>::value && std::is_polymorphic<U>::value,
                               int> = 0>
    explicit ccPtrHandle(const ccPtrHandle<U>& other) : ptr_(checkedCast(other.get())) {
        retain();
    }

    ~ccPtrHandle() { releaseHeld(); }

    ccPtrHandle& operator=(ccPtrHandle other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    T* get() const noexcept { return ptr_; }
    T& operator*() const { return *checked(); }
    T* operator->() const { return checked(); }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    bool isNull() const noexcept { return ptr_ == nullptr; }

    // The object as a U, or null when it is not one (or the handle is empty).
    template <class U>
    U* dynamicCast() const noexcept {
        return dynamic_cast<U*>(ptr_);
    }

    friend bool operator==(const ccPtrHandle& a, const ccPtrHandle& b) noexcept {
        return a.ptr_ == b.ptr_;
    }
    friend bool operator!=(const ccPtrHandle& a, const ccPtrHandle& b) noexcept {
        return a.ptr_ != b.ptr_;
    }

  private:
    T* checked() const {
        if (!ptr_) throw ccBadPointer(L"dereferenced an empty handle");
        return ptr_;
    }

    template <class U>
    static T* checkedCast(U* object) {
        if (!object) return nullptr;
        T* cast = dynamic_cast<T*>(object);
        if (!cast) throw ccBadPointer(L"handle cast to a type its object does not have");
        return cast;
    }

    void retain() const noexcept {
        if (ptr_) ptr_->addRef_();
    }

    void releaseHeld() noexcept {
        if (ptr_ && ptr_->release_()) delete ptr_;
        ptr_ = nullptr;
    }

    T* ptr_ = nullptr;
};

template <class T>
using ccPtrHandle_const = ccPtrHandle<const T>;

// A new handle to a new T built from `args`.
template <class T, class... Args>
ccPtrHandle<T> cfMakeHandle(Args&&... args) {
    return ccPtrHandle<T>(new T(std::forward<Args>(args)...));
}
