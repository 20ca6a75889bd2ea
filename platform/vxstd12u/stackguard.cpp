#include "vxstd12u/stackguard.h"

#include <pthread.h>

#include <cerrno>
#include <exception>
#include <system_error>

namespace cc_stack {
namespace {

// The lowest address of the calling thread's stack (stacks grow down on every
// platform this library builds for), or null when it cannot be found out.
const char* lowestStackAddress() noexcept {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return nullptr;
    void* base = nullptr;
    std::size_t size = 0;
    const bool known = pthread_attr_getstack(&attributes, &base, &size) == 0;
    pthread_attr_destroy(&attributes);
    return known ? static_cast<const char*>(base) : nullptr;
}

struct FreshStackCall {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

void* runFreshStackCall(void* argument) {
    auto* call = static_cast<FreshStackCall*>(argument);
    try {
        (*call->work)();
    } catch (...) {
        call->failure = std::current_exception();
    }
    return nullptr;
}

void throwIfFailed(int error, const char* what) {
    if (error != 0) throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

bool isLow() noexcept {
    // The frame address, not a local's: a sanitizer may keep locals elsewhere.
    const auto* here = static_cast<const char*>(__builtin_frame_address(0));
    // Fixed for the life of the thread, so they are found out once per thread.
    // The span is measured from the first check rather than from the top of
    // the stack, where the thread library keeps thread-local storage.
    static thread_local const char* const lowest = lowestStackAddress();
    static thread_local const char* const first = here;
    if (lowest == nullptr || here <= lowest) return false;
    if (static_cast<std::size_t>(here - lowest) < kReserveBytes) return true;
    if (kSpanBytes == 0 || here >= first) return false;
    return static_cast<std::size_t>(first - here) > kSpanBytes;
}

void runOnFreshStack(const std::function<void()>& work, std::size_t stackBytes) {
    pthread_attr_t attributes;
    throwIfFailed(pthread_attr_init(&attributes), "cannot describe a thread");
    FreshStackCall call{&work, nullptr};
    pthread_t thread{};  // clang cannot see that a failed create throws before the join
    int error = pthread_attr_setstacksize(&attributes, stackBytes);
    if (error == 0) error = pthread_create(&thread, &attributes, runFreshStackCall, &call);
    pthread_attr_destroy(&attributes);
    throwIfFailed(error, "cannot start a thread for a deep walk");
    throwIfFailed(pthread_join(thread, nullptr), "cannot wait for a deep walk");
    if (call.failure) std::rethrow_exception(call.failure);
}

}  // namespace cc_stack
