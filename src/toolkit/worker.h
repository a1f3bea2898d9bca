// Work beside the user-interface thread: one worker thread per owner (a control, a preview area)
// that computes the owner's newest request and shows its result on the user-interface thread.
//
// Threading rules, for every use of TWorker:
// - A TWorker is made, used and destroyed on the user-interface thread; every public method checks
//   this in debug builds. Its thread starts with the first request and runs at idle priority, so
//   the work never delays the user interface.
// - A request is two callables. compute runs on the worker and returns the result; it may take a
//   std::stop_token, which is set once the request is superseded or cancelled, to stop early. show
//   runs on the user-interface thread with the result, and may touch controls.
// - compute takes everything it reads by value, or as a picture kept alive for it (TKeptPicture),
//   and touches no control and nothing the user-interface thread changes. What compute captures
//   is destroyed on the user-interface thread, never on the worker, whatever becomes of the request;
//   so kept pictures are dropped where they were made. A result is made on the worker and is handed
//   over whole; a stale one is dropped on the worker.
// - A newer request supersedes every older one: a request not yet started never runs, and the
//   result of one under way is not shown. Cancel makes all of them stale.
// - Results come back as an event of the user-interface thread's event loop (or at once, from
//   ShowWithin). Once the TWorker is destroyed, which its owner does when its control goes, nothing
//   more is shown; the destructor waits for the computation under way.
// - An exception that leaves compute drops the request: nothing is shown for it.
#pragma once

#include <chrono>
#include <concepts>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/threadaffinity.h"

class QObject;

namespace zavo {

class TControl;

class TWorker {
public:
    TWorker();
    ~TWorker();
    TWorker(const TWorker&) = delete;
    TWorker& operator=(const TWorker&) = delete;

    template <class Compute, class Show>
    void Request(Compute compute, Show show) {
        Submit(std::make_unique<Job<Compute, Show>>(std::move(compute), std::move(show)));
    }
    // Makes every request stale: none of their results is shown.
    void Cancel();
    // Waits up to wait for the newest request's result and shows it now; false when it did not
    // come in time (it is shown later), or there is no request to wait for.
    bool ShowWithin(std::chrono::milliseconds wait);

private:
    struct Task {
        virtual ~Task() = default;
        // On the worker; an exception leaves no result.
        virtual void Work(std::stop_token stop) = 0;
        virtual void DropResult() = 0;
        // On the user-interface thread; false when there is no result to show.
        virtual bool Deliver() = 0;
        uint64_t generation = 0;
        std::stop_source stop;
    };

    template <class Compute, class Show>
    struct Job final : Task {
        static auto Run(Compute& compute, std::stop_token stop) {
            if constexpr (std::invocable<Compute&, std::stop_token>) return std::invoke(compute, std::move(stop));
            else return std::invoke(compute);
        }
        using Result = decltype(Run(std::declval<Compute&>(), std::declval<std::stop_token>()));
        using Stored = std::conditional_t<std::is_void_v<Result>, bool, Result>;

        Job(Compute c, Show s) : compute(std::move(c)), show(std::move(s)) {}
        void Work(std::stop_token stop) override {
            if constexpr (std::is_void_v<Result>) {
                Run(compute, std::move(stop));
                result.emplace(true);
            } else {
                result.emplace(Run(compute, std::move(stop)));
            }
        }
        void DropResult() override { result.reset(); }
        bool Deliver() override {
            if (!result) return false;
            if constexpr (std::is_void_v<Result>) std::invoke(show);
            else std::invoke(show, std::move(*result));
            return true;
        }

        Compute compute;
        Show show;
        std::optional<Stored> result;
    };

    void Submit(std::unique_ptr<Task> task);
    void Run();
    // Shows the newest request's result if it has come, and destroys every finished task.
    bool ShowFinished();

    TThreadAffinity owner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t generation_ = 0;                     // of the newest request
    std::unique_ptr<Task> pending_;               // the newest request, until the worker takes it
    std::unique_ptr<Task> running_;               // the one the worker computes
    std::vector<std::unique_ptr<Task>> finished_; // computed, until the user-interface thread takes them
    bool stopping_ = false;
    std::unique_ptr<QObject> receiver_;           // of the events that hand results back
    std::thread thread_;
};

// The worker that lives as long as control, kept under key; made at the first call. On the
// user-interface thread only.
TWorker& ControlWorker(TControl* control, const char* key);

}  // namespace zavo
