#pragma once
// The process-wide variables of one unit (shell, masters, invoicing, ...) live in one struct.
// The unit's accessor reaches the struct installed last; a scope installs one for its own
// life (the application's, or a fresh one per test) and puts the previous one back after.

#include <memory>
#include <utility>

template <class State>
class UnitStateScope {
public:
    template <class... Args>
    explicit UnitStateScope(Args&&... args)
        : state_(std::make_unique<State>(std::forward<Args>(args)...)), previous_(Slot()) {
        Slot() = state_.get();
    }
    ~UnitStateScope() { Slot() = previous_; }
    UnitStateScope(const UnitStateScope&) = delete;
    UnitStateScope& operator=(const UnitStateScope&) = delete;

    State& state() { return *state_; }

    // The state installed last; null while no scope lives.
    static State* Installed() { return Slot(); }

private:
    static State*& Slot() {
        static State* installed = nullptr;
        return installed;
    }

    std::unique_ptr<State> state_;
    State* previous_;
};

// The installed state, or else the one the application keeps built in.
template <class State>
State& InstalledOrBuiltIn() {
    static State builtIn;
    State* const installed = UnitStateScope<State>::Installed();
    return installed ? *installed : builtIn;
}
