#pragma once
// An effect's steps as a resumable function: a coroutine that suspends where it waits (a
// pause, the end of its slice of a frame) and is resumed by whoever drives it. A task may
// await another; the innermost one that waits is the one resumed, and each returns to the
// one awaiting it without going back through its driver.
//
// A co_await is never written in the condition of an if or a loop: GCC 12 then skips the
// coroutine's body. Its result is bound in the if's initialiser instead:
// `if (const bool go = co_await c.Step(); !go)`.

#include <coroutine>
#include <exception>
#include <utility>

namespace effects {

namespace detail {

struct PromiseBase {
    std::coroutine_handle<> continuation;
    std::exception_ptr error;

    // Lazy: a task runs once it is awaited or its driver starts it.
    std::suspend_always initial_suspend() noexcept { return {}; }
    struct Final {
        bool await_ready() noexcept { return false; }
        template <class Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> done) noexcept
        {
            const std::coroutine_handle<> next = done.promise().continuation;
            return next ? next : std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    Final final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { error = std::current_exception(); }
};

template <class T>
struct Promise : PromiseBase {
    T value{};
    void return_value(T v) { value = std::move(v); }
    T take() { return std::move(value); }
};

template <>
struct Promise<void> : PromiseBase {
    void return_void() {}
    void take() {}
};

}  // namespace detail

template <class T = void>
class [[nodiscard]] Task {
public:
    struct promise_type : detail::Promise<T> {
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
    };
    using Handle = std::coroutine_handle<promise_type>;

    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    // Destroying a suspended task destroys the tasks it awaits, and their locals with them.
    ~Task() { reset(); }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept
    {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    T await_resume()
    {
        if (handle_.promise().error)
            std::rethrow_exception(handle_.promise().error);
        return handle_.promise().take();
    }

    // For the driver of an outermost task.
    Handle handle() const { return handle_; }
    bool done() const { return !handle_ || handle_.done(); }
    // Rethrows what the finished task threw.
    void check() const
    {
        if (handle_ && handle_.done() && handle_.promise().error)
            std::rethrow_exception(handle_.promise().error);
    }

private:
    explicit Task(Handle handle) : handle_(handle) {}
    void reset()
    {
        if (handle_)
            handle_.destroy();
        handle_ = {};
    }

    Handle handle_;
};

// An effect family's steps.
using Effect = Task<void>;

}  // namespace effects
