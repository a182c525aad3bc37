#pragma once
// The application's error display: an error raised inside a command ends the command
// where it stands, is shown in a message box, and the program goes on.

#include <QApplication>
#include <QString>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

// The error posting code raises for a step that must not fail ("Add operation failed").
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& text);
    QString Text() const;
};

// Raised when the user cancels a question a command cannot go on without (a file to print
// to): the command ends where it stands, and nothing is shown.
class CommandCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

[[noreturn]] void RaiseError(const QString& text);

// Shows the error in flight (call inside a catch block) through the message host.
void ShowCurrentError();

// Runs one command the way the event loop does: an error it raises is shown and swallowed.
// Returns false when the command ended with an error.
bool RunCommand(const std::function<void()>& command);

namespace guarded_detail {
// How many of the signal's leading arguments the handler takes (Qt passes fewer as well).
template <class F, class Args, std::size_t N = std::tuple_size_v<Args>>
constexpr std::size_t LeadingArity() {
    constexpr bool fits = []<std::size_t... I>(std::index_sequence<I...>) {
        return std::is_invocable_v<F&, std::tuple_element_t<I, Args>...>;
    }(std::make_index_sequence<N>{});
    if constexpr (fits) {
        return N;
    } else {
        static_assert(N > 0, "the handler cannot take the signal's arguments");
        return LeadingArity<F, Args, N - 1>();
    }
}
}  // namespace guarded_detail

// Every handler is connected through this. Qt's own frames between a signal and its handler
// do not clean up when an error unwinds through them (objects leak, guards stay set), so the
// error is caught and shown here, inside the handler, as RunCommand does.
template <class F>
auto Guarded(F handler) {
    return [handler = std::move(handler)](auto&&... args) mutable {
        using Args = std::tuple<decltype(args)...>;
        constexpr std::size_t taken = guarded_detail::LeadingArity<F, Args>();
        auto all = std::forward_as_tuple(std::forward<decltype(args)>(args)...);
        RunCommand([&] {
            [&]<std::size_t... I>(std::index_sequence<I...>) {
                std::invoke(handler, std::get<I>(all)...);
            }(std::make_index_sequence<taken>{});
        });
    };
}

// A member function of `object` as a handler.
template <class T, class M>
    requires std::is_member_function_pointer_v<M>
auto Guarded(T* object, M method) {
    return Guarded([object, method](auto&&... args) -> decltype(std::invoke(
                                                       method, object,
                                                       std::forward<decltype(args)>(args)...)) {
        return std::invoke(method, object, std::forward<decltype(args)>(args)...);
    });
}

// Blocks of memory of a mebibyte or more (a large report's rows, the lists a sort works
// with) go back to the system as soon as they are freed, instead of staying with the process
// for its next allocations: a report of millions of rows leaves no memory behind it, and
// showing one needs no more than it holds at once. The program's QApplication sets this up.
void GiveLargeBlocksBack();

// The program's QApplication: every event is delivered inside the error display.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The caption of the program's own messages.
QString ProgramCaption();
