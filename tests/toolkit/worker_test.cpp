#include "toolkit/worker.h"

#include <gtest/gtest.h>

#include <QTest>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace zavo;

namespace {

// Records the thread each of its copies is destroyed on: a request's inputs must always go on the
// user-interface thread.
struct DropLog {
    std::mutex mutex;
    std::vector<std::thread::id> threads;
    void Add() {
        std::lock_guard lock(mutex);
        threads.push_back(std::this_thread::get_id());
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard lock(mutex);
        return threads;
    }
};

struct Input {
    explicit Input(DropLog* log) : log(log) {}
    Input(Input&& other) noexcept : log(std::exchange(other.log, nullptr)) {}
    Input(const Input&) = delete;
    ~Input() {
        if (log != nullptr) log->Add();
    }
    DropLog* log;
};

// A gate the test opens to let held computations finish.
struct Gate {
    std::atomic<bool> open{false};
    std::atomic<int> entered{0};
    void Pass() {
        ++entered;
        for (int i = 0; i < 2000 && !open; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

}  // namespace

TEST(Worker, ComputesOffTheInterfaceThreadAndShowsOnIt) {
    TWorker worker;
    std::thread::id computedOn, shownOn;
    int shown = 0;
    worker.Request([&] {
        computedOn = std::this_thread::get_id();
        return 41;
    },
                   [&](int v) {
                       shownOn = std::this_thread::get_id();
                       shown = v + 1;
                   });
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown != 0; }, 10000));
    EXPECT_EQ(shown, 42);
    EXPECT_NE(computedOn, std::this_thread::get_id());
    EXPECT_EQ(shownOn, std::this_thread::get_id());
}

TEST(Worker, OnlyTheNewestRequestIsShownAndSupersededOnesStopOrNeverStart) {
    TWorker worker;
    Gate gate;
    std::atomic<bool> firstSawStop{false};
    std::vector<std::string> computed, shown;
    std::mutex mutex;
    auto note = [&](const std::string& name) {
        std::lock_guard lock(mutex);
        computed.push_back(name);
    };
    worker.Request(
        [&](std::stop_token stop) {
            note("a");
            gate.Pass();
            firstSawStop = stop.stop_requested();
            return std::string("a");
        },
        [&](const std::string& s) { shown.push_back(s); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.entered == 1; }, 10000));
    for (const char* name : {"b", "c"})
        worker.Request([&, name] {
            note(name);
            return std::string(name);
        },
                       [&](const std::string& s) { shown.push_back(s); });
    gate.open = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(shown, std::vector<std::string>{"c"});
    std::lock_guard lock(mutex);
    EXPECT_EQ(computed, (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(firstSawStop);
}

TEST(Worker, ARequestsInputsAreDroppedOnTheInterfaceThreadWhateverBecomesOfIt) {
    DropLog log;
    {
        TWorker worker;
        Gate gate;
        int shown = 0;
        // Superseded while it runs, superseded before it starts, shown, cancelled, and one left
        // under way when the worker goes.
        worker.Request([in = Input(&log), &gate] { gate.Pass(); return 1; }, [&](int v) { shown = v; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.entered == 1; }, 10000));
        worker.Request([in = Input(&log)] { return 2; }, [&](int v) { shown = v; });
        worker.Request([in = Input(&log)] { return 3; }, [&](int v) { shown = v; });
        gate.open = true;
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown == 3; }, 10000));
        worker.Request([in = Input(&log)] { return 4; }, [&](int v) { shown = v; });
        worker.Cancel();
        std::atomic<bool> started{false};
        worker.Request(
            [in = Input(&log), &started](std::stop_token stop) {
                started = true;
                while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return 5;
            },
            [&](int v) { shown = v; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }, 10000));
        EXPECT_EQ(shown, 3);
    }
    std::vector<std::thread::id> threads = log.Threads();
    EXPECT_EQ(threads.size(), 5u);
    for (std::thread::id id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(Worker, NothingIsShownOnceTheWorkerIsGoneOrAfterCancel) {
    int shown = 0;
    std::atomic<bool> computed{false};
    auto worker = std::make_unique<TWorker>();
    // Waited for without running the event loop, which would show the result.
    auto waitComputed = [&] {
        for (int i = 0; i < 10000 && !computed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The result is handed back by now or very soon; the event that carries it is still queued.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    worker->Request([&] { computed = true; return 1; }, [&](int v) { shown = v; });
    waitComputed();
    worker.reset();
    QTest::qWait(50);
    EXPECT_EQ(shown, 0);

    TWorker cancelled;
    computed = false;
    cancelled.Request([&] { computed = true; return 2; }, [&](int v) { shown = v; });
    waitComputed();
    cancelled.Cancel();
    QTest::qWait(50);
    EXPECT_EQ(shown, 0);
}

TEST(Worker, ShowWithinShowsAQuickResultAtOnceAndALateOneFromTheEventLoop) {
    TWorker worker;
    std::vector<int> shown;
    worker.Request([] { return 1; }, [&](int v) { shown.push_back(v); });
    EXPECT_TRUE(worker.ShowWithin(std::chrono::milliseconds(10000)));
    EXPECT_EQ(shown, std::vector<int>{1});

    Gate gate;
    worker.Request([&] { gate.Pass(); return 2; }, [&](int v) { shown.push_back(v); });
    EXPECT_FALSE(worker.ShowWithin(std::chrono::milliseconds(0)));
    gate.open = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == 2; }, 10000));
    EXPECT_EQ(shown.back(), 2);
    QTest::qWait(20);
    EXPECT_EQ(shown.size(), 2u);
    // Nothing asked: nothing to wait for.
    EXPECT_FALSE(worker.ShowWithin(std::chrono::milliseconds(10000)));
}

TEST(Worker, AFailedComputationShowsNothingAndTheNextOneWorks) {
    TWorker worker;
    std::vector<int> shown;
    worker.Request([]() -> int { throw std::runtime_error("no"); }, [&](int v) { shown.push_back(v); });
    EXPECT_FALSE(worker.ShowWithin(std::chrono::milliseconds(10000)));
    worker.Request([] { return 7; }, [&](int v) { shown.push_back(v); });
    EXPECT_TRUE(worker.ShowWithin(std::chrono::milliseconds(10000)));
    EXPECT_EQ(shown, std::vector<int>{7});
}
