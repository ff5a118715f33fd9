// Thread pool: tasks before Start, Stop with a running task, dropped queue,
// Stop without Start, order with one worker, throwing tasks.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

#include "jvpublic/jvbase/threadpool.h"

namespace {

// Records the order of Cancel and the end of Run; Run blocks until released.
class BlockingTask : public IThreadTask {
public:
    void SetPool(IThreadPool* pool) override { pool_ = pool; }
    void Cancel() override { events.push_back("cancel"); cancelled = true; }
    void Run() override {
        started.set_value();
        release.get_future().wait();
        events.push_back(cancelled ? "run-end-after-cancel" : "run-end");
    }
    IThreadPool* pool_ = nullptr;
    std::promise<void> started;
    std::promise<void> release;
    std::atomic<bool> cancelled{false};
    std::vector<const char*> events;   // written by the worker and by Stop, never at once
};

TEST(ThreadPool, TaskAddedBeforeStartRunsAfterStart) {
    ThreadPoolImpl pool;
    std::promise<int> ran;
    pool.AddTask(std::make_shared<EasyTask0>([&] { ran.set_value(7); }));
    auto result = ran.get_future();
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    EXPECT_TRUE(pool.IsStopped());
    pool.Start();
    EXPECT_FALSE(pool.IsStopped());
    EXPECT_EQ(result.get(), 7);
    pool.Stop();
    EXPECT_TRUE(pool.IsStopped());
}

TEST(ThreadPool, StopCancelsTheRunningTaskThenWaitsForIt) {
    ThreadPoolImpl pool;
    auto task = std::make_shared<BlockingTask>();
    std::atomic<bool> queuedRan{false};
    pool.Start();
    pool.AddTask(task);
    pool.AddTask(std::make_shared<EasyTask0>([&] { queuedRan = true; }));
    task->started.get_future().wait();
    EXPECT_EQ(task->pool_, &pool);

    auto stopping = std::async(std::launch::async, [&] { pool.Stop(); });
    // Stop cannot return while the task runs.
    EXPECT_EQ(stopping.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_TRUE(task->cancelled);
    task->release.set_value();
    stopping.get();

    EXPECT_EQ(task->events, (std::vector<const char*>{"cancel", "run-end-after-cancel"}));
    EXPECT_FALSE(queuedRan) << "a task still queued at Stop must never run";
}

TEST(ThreadPool, StopOnAPoolNeverStartedReturnsAndDropsTheQueue) {
    std::atomic<bool> ran{false};
    {
        ThreadPoolImpl pool;
        pool.AddTask(std::make_shared<EasyTask0>([&] { ran = true; }));
        pool.Stop();
        EXPECT_TRUE(pool.IsStopped());
    }   // the destructor stops again: nothing to do
    EXPECT_FALSE(ran);
}

TEST(ThreadPool, OneWorkerRunsTasksInOrderOfArrival) {
    ThreadPoolImpl pool;
    std::vector<int> order;
    std::promise<void> last;
    for (int i = 0; i < 50; ++i) {
        pool.AddTask(std::make_shared<EasyTask0>([&order, i] { order.push_back(i); }));
        if (i == 20) pool.Start();   // some queued before the start, some after
    }
    pool.AddTask(std::make_shared<EasyTask0>([&] { last.set_value(); }));
    last.get_future().wait();
    pool.Stop();
    std::vector<int> expected(50);
    for (int i = 0; i < 50; ++i) expected[i] = i;
    EXPECT_EQ(order, expected);
}

TEST(ThreadPool, ATaskThatThrowsEndsAloneAndEmptyCallableThrows) {
    EasyTask0 empty{std::function<void()>()};
    EXPECT_THROW(empty.Run(), std::bad_function_call);

    ThreadPoolImpl pool;
    std::promise<void> after;
    pool.Start();
    pool.AddTask(std::make_shared<EasyTask0>(std::function<void()>()));
    pool.AddTask(std::make_shared<EasyTask0>([&] { after.set_value(); }));
    EXPECT_EQ(after.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    pool.Stop();
}

TEST(ThreadPool, StopFromItsOwnWorkerFails) {
    ThreadPoolImpl pool;
    std::promise<bool> threw;
    pool.Start();
    pool.AddTask(std::make_shared<EasyTask0>([&] {
        try {
            pool.Stop();
            threw.set_value(false);
        } catch (const std::system_error& error) {
            threw.set_value(error.code() == std::errc::resource_deadlock_would_occur);
        }
    }));
    EXPECT_TRUE(threw.get_future().get());
}

} // namespace
