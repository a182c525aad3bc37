#pragma once
// The program's windows are created once and reached through one process-wide instance
// pointer each. This creates the window for the life of the object (the application's, or a
// test's) and points the instance at it; the previous instance comes back afterwards.

#include <memory>

template <class T>
class [[nodiscard]] InstanceScope {
public:
    explicit InstanceScope(T*& instance)
        : instance_(instance), previous_(instance), window_(std::make_unique<T>()) {
        instance_ = window_.get();
    }
    ~InstanceScope() { instance_ = previous_; }
    InstanceScope(const InstanceScope&) = delete;
    InstanceScope& operator=(const InstanceScope&) = delete;

private:
    T*& instance_;
    T* previous_;
    std::unique_ptr<T> window_;
};
