// Worker loop, start and stop of the thread pool.
#include "threadpool.h"

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <exception>

#include "trace.h"

ThreadPoolImpl::~ThreadPoolImpl() {
    Stop();
    // Workers left by a Stop that failed (called from a worker) are joined
    // here; a joinable std::thread must never be destroyed.
    for (std::thread& worker : workers_) {
        if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
    }
}

void ThreadPoolImpl::Start() {
    std::lock_guard<std::mutex> lock(queueLock_);
    if (running_) return;
    running_ = true;
    for (int i = 0; i < threadCount_; ++i) {
        workers_.emplace_back(&ThreadPoolImpl::WorkerLoop, this);
    }
}

bool ThreadPoolImpl::AddTask(const std::shared_ptr<IThreadTask>& task) {
    task->SetPool(this);
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        queue_.push_back(task);
    }
    wakeUp_.notify_one();
    return true;
}

void ThreadPoolImpl::Stop() {
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        if (!running_) return;
        running_ = false;
    }
    wakeUp_.notify_all();
    {
        std::lock_guard<std::mutex> lock(runningLock_);
        for (const auto& task : runningTasks_) task->Cancel();
    }
    for (std::thread& worker : workers_) worker.join();
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        queue_.clear();
    }
    workers_.clear();
}

void ThreadPoolImpl::WorkerLoop() {
    // Tasks may use COM (shell, statistics): each worker is its own apartment.
    ::CoInitialize(nullptr);
    ::OleInitialize(nullptr);
    for (;;) {
        std::shared_ptr<IThreadTask> task;
        {
            std::unique_lock<std::mutex> lock(queueLock_);
            wakeUp_.wait(lock, [this] { return !queue_.empty() || !running_; });
            if (!running_) break;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        std::list<std::shared_ptr<IThreadTask>>::iterator entry;
        {
            std::lock_guard<std::mutex> lock(runningLock_);
            entry = runningTasks_.insert(runningTasks_.end(), task);
        }
        // A task that throws ends alone; the worker goes on with the queue.
        try {
            task->Run();
        } catch (const std::exception& error) {
            TRACE(L"thread pool: task failed: %hs\r\n", error.what());
        } catch (...) {
            TRACE(L"thread pool: task failed\r\n");
        }
        {
            std::lock_guard<std::mutex> lock(runningLock_);
            runningTasks_.erase(entry);
        }
        task.reset();
    }
    ::OleUninitialize();
    ::CoUninitialize();
}
