// A fixed set of worker threads that run queued tasks in order of arrival.
// The statistics module runs one worker so that its reports never block the
// window's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class IThreadPool {
public:
    // True when the pool is not running; long tasks may poll it.
    virtual bool IsStopped() const = 0;
    virtual ~IThreadPool() = default;
};

class IThreadTask {
public:
    // Called when the task is queued; the pool is not owned.
    virtual void SetPool(IThreadPool* pool) = 0;
    // Called by Stop for a task that is running at that moment.
    virtual void Cancel() = 0;
    // Called once, on a worker thread.
    virtual void Run() = 0;
    virtual ~IThreadTask() = default;
};

// A task around any callable without arguments.
class EasyTask0 : public IThreadTask {
public:
    explicit EasyTask0(std::function<void()> callable) : callable_(std::move(callable)) {}
    void SetPool(IThreadPool* pool) override { pool_ = pool; }
    void Cancel() override {}
    // An empty callable throws std::bad_function_call.
    void Run() override { callable_(); }

private:
    IThreadPool* pool_ = nullptr;
    std::function<void()> callable_;
};

class ThreadPoolImpl : public IThreadPool {
public:
    ThreadPoolImpl() = default;
    ~ThreadPoolImpl() override;
    ThreadPoolImpl(const ThreadPoolImpl&) = delete;
    ThreadPoolImpl& operator=(const ThreadPoolImpl&) = delete;

    // Creates the workers unless the pool already runs.
    void Start();
    // Queues a task (also before Start) and wakes one worker; returns true.
    bool AddTask(const std::shared_ptr<IThreadTask>& task);
    // Cancels the running tasks, joins the workers and drops what is still queued.
    // Calling it from one of the pool's own workers throws std::system_error.
    void Stop();
    bool IsStopped() const override { return !running_; }

private:
    void WorkerLoop();

    std::list<std::shared_ptr<IThreadTask>> runningTasks_;
    std::mutex runningLock_;
    std::list<std::shared_ptr<IThreadTask>> queue_;
    std::mutex queueLock_;
    std::vector<std::thread> workers_;
    std::atomic<bool> running_{false};
    std::condition_variable wakeUp_;
    int threadCount_ = 1;
};
