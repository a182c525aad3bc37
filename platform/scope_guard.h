#pragma once
// Scope guards: whatever a command sets up (a flag, the wait cursor, a progress window)
// is undone on every way out of it, errors included.

#include <utility>

template <class F>
class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() {
        if (armed_) f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    // The undo is no longer wanted.
    void Dismiss() { armed_ = false; }

private:
    F f_;
    bool armed_ = true;
};

// Sets a variable for the scope and puts the old value back afterwards.
template <class T>
class [[nodiscard]] ScopedAssign {
public:
    ScopedAssign(T& target, T value) : target_(target), old_(std::move(target)) {
        target_ = std::move(value);
    }
    ~ScopedAssign() { target_ = std::move(old_); }
    ScopedAssign(const ScopedAssign&) = delete;
    ScopedAssign& operator=(const ScopedAssign&) = delete;

private:
    T& target_;
    T old_;
};
