#pragma once
// Work that may block for as long as the system likes (a read from a pipe, a network
// share whose server sleeps, a slow disk) done on a thread of its own that nobody joins.
// Whoever waits for it can give up at a deadline and go on; the thread ends by itself
// whenever the work returns, and what it made is then dropped with the last holder.
// Work uses the application's image plugins and posts to it: before the application goes,
// WaitForBackgroundTasks says whether any is still running.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace platform {

// Tasks still running, abandoned ones included: a file system that no longer answers
// holds one thread per read, so their number is bounded and a new one waits for room.
inline constexpr int kMaxBackgroundTasks = 8;

namespace detail {
inline std::atomic<int> backgroundTasksRunning{0};
// Never destroyed: an abandoned task may end after the process has begun to exit.
inline std::mutex& BackgroundTasksMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}
inline std::condition_variable& BackgroundTaskEnded()
{
    static auto* ended = new std::condition_variable;
    return *ended;
}

inline void EndBackgroundTask()
{
    // Notified under the lock: a waiter that then lets the process end finds no thread
    // still inside the condition variable.
    std::lock_guard<std::mutex> lock(BackgroundTasksMutex());
    --backgroundTasksRunning;
    BackgroundTaskEnded().notify_all();
}
}  // namespace detail

inline int BackgroundTasksRunning() { return detail::backgroundTasksRunning.load(); }

// How long the program's end waits for the tasks still running before it ends as it is.
inline constexpr std::chrono::seconds kEndWaitForBackgroundTasks{1};

// Waits until no task is running (true) or `timeout` has passed (false). A task counts
// until its work, what the work held and an abandoned result are all gone; only the
// thread's own end (its thread-local data) may come after.
inline bool WaitForBackgroundTasks(std::chrono::steady_clock::duration timeout)
{
    std::unique_lock<std::mutex> lock(detail::BackgroundTasksMutex());
    return detail::BackgroundTaskEnded().wait_for(lock, timeout,
                                                  [] { return detail::backgroundTasksRunning.load() == 0; });
}

template <class T>
class BackgroundTask {
public:
    using Clock = std::chrono::steady_clock;

    // Starts `work` at once, or gives nothing when kMaxBackgroundTasks are still running.
    static std::shared_ptr<BackgroundTask> Start(std::function<T()> work)
    {
        int running = detail::backgroundTasksRunning.load();
        do {
            if (running >= kMaxBackgroundTasks)
                return nullptr;
        } while (!detail::backgroundTasksRunning.compare_exchange_weak(running, running + 1));
        auto task = std::shared_ptr<BackgroundTask>(new BackgroundTask);
        try {
            std::thread([task, work = std::move(work)]() mutable {
                {
                    std::optional<T> result;
                    std::exception_ptr error;
                    try {
                        result.emplace(work());
                    } catch (...) {
                        error = std::current_exception();
                    }
                    {
                        std::lock_guard<std::mutex> lock(task->mutex_);
                        task->result_ = std::move(result);
                        task->error_ = error;
                        task->done_ = true;
                    }
                    task->cv_.notify_all();
                }
                // What the work held, and a result nobody took, go before the task stops counting.
                work = nullptr;
                task.reset();
                detail::EndBackgroundTask();
            }).detach();
        } catch (...) {
            detail::EndBackgroundTask();
            throw;
        }
        return task;
    }

    // Waits until the work is done (true), the deadline passes or `stop` says so (false);
    // `stop` is asked every `slice`.
    bool WaitUntil(Clock::time_point deadline, const std::function<bool()>& stop,
                   Clock::duration slice = std::chrono::milliseconds(20))
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!done_) {
            const auto now = Clock::now();
            if (now >= deadline || (stop && stop()))
                return false;
            cv_.wait_for(lock, std::min(slice, deadline - now));
        }
        return true;
    }

    // The result of a finished task; rethrows what the work threw.
    T Take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (error_)
            std::rethrow_exception(error_);
        return std::move(*result_);
    }

private:
    BackgroundTask() = default;

    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    std::optional<T> result_;
    std::exception_ptr error_;
};

}  // namespace platform
