// CSingleT<T>: a process-wide single instance, created on first access under a
// thread-safe one-time initialisation, handed out as a shared reference and
// destroyed at process exit. T befriends CSingleT<T> to keep its constructor private.
#pragma once

#include <memory>
#include <mutex>

template <typename T>
class CSingleT {
public:
    static std::shared_ptr<T> Instance() {
        static std::once_flag once;
        static std::shared_ptr<T> instance;
        std::call_once(once, [] { instance.reset(new T()); });
        return instance;
    }
};
