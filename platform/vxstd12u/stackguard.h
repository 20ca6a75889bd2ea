// Deep trees without stack overflows.
//
// Trees are walked by recursion, one call per level, because that is what keeps
// each walk short and readable. A tree nested tens of thousands of levels deep
// (a drawing imported as one long chain of nested contours, or a hostile
// archive) would then exhaust the thread's stack. Every recursive walk of a
// tree therefore passes through cfWithEnoughStack: while the current stack has
// room, the walk goes on where it is; when it runs low, the walk continues on a
// fresh thread with a large stack of its own, and the caller waits for it. The
// depth a walk can reach is then bounded by memory, not by the stack the
// caller happened to start with.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace cc_stack {

// Room a walk must have left on its stack to go one level deeper here. It
// covers the deepest stack use between two checks (a node's own work: sampling,
// an exception in flight, a sanitizer's larger frames) with a wide margin.
constexpr std::size_t kReserveBytes = std::size_t(1) << 20;  // 1 MiB
// Stack of each fresh thread a deep walk continues on. Only the pages a walk
// touches are ever committed.
constexpr std::size_t kFreshStackBytes = std::size_t(64) << 20;  // 64 MiB

#if defined(__SANITIZE_THREAD__)
#define VXSTD_RACE_DETECTOR 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VXSTD_RACE_DETECTOR 1
#endif
#endif
// How much of one thread's stack a walk may use before it continues on a fresh
// thread; zero leaves no limit but the stack's own size. The race detector
// keeps the whole call stack of every allocation for good (its reports name
// where a block came from), so on one thread a walk that allocates at every
// level costs memory in the square of its depth: 10,000 levels on one stack
// held 3 GB of recorded call stacks after two operations, and the deep tests
// ran past 23 GB. A fresh thread starts an empty call stack, and the stacks
// recorded at the same height on every thread are the same, so with a short
// span they stop growing with the depth: a walk 10,000 levels deep then moves
// through about 40 nested threads, and the same operations peak at 270 MB.
#ifdef VXSTD_RACE_DETECTOR
constexpr std::size_t kSpanBytes = std::size_t(256) << 10;  // 256 KiB
#else
constexpr std::size_t kSpanBytes = 0;
#endif

// Whether fewer than kReserveBytes remain below the caller's frame on this
// thread's stack, or (with a kSpanBytes limit) the frame lies more than
// kSpanBytes below that of the thread's first check. False when the thread's
// stack cannot be found out (the walk then simply recurses).
bool isLow() noexcept;

// Runs `work` to its end on a new thread with a stack of `stackBytes` and
// waits for it; whatever `work` throws is thrown here, in the caller's thread.
// Throws std::system_error if no thread can be started (a stack size below
// the system's minimum among the causes).
void runOnFreshStack(const std::function<void()>& work, std::size_t stackBytes = kFreshStackBytes);

}  // namespace cc_stack

// Calls `walk()` and returns what it returns, on the current stack when it has
// room (cc_stack::isLow() is false) and on a fresh stack otherwise. `walk` must
// not depend on the identity of the calling thread. Exceptions pass through
// unchanged.
template <class Walk>
auto cfWithEnoughStack(Walk&& walk) -> decltype(walk()) {
    using Result = decltype(walk());
    if (!cc_stack::isLow()) return walk();
    if constexpr (std::is_void_v<Result>) {
        cc_stack::runOnFreshStack([&] { walk(); });
    } else {
        std::optional<Result> result;
        cc_stack::runOnFreshStack([&] { result.emplace(walk()); });
        return std::move(*result);
    }
}
