// The sender of UDP reports: a queue served by one pinned thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "endpoint.h"

namespace pqstat {

class UdpChannel : public std::enable_shared_from_this<UdpChannel> {
public:
    // Starts the sender thread; false when it could not be created.
    bool Start();
    void Post(const Endpoint& to, std::string payload);
    // Waits up to `waitMs` until the queue is empty and no send is in progress.
    bool Flush(int waitMs);
    // Drops what is still queued and lets the thread end after its current send.
    void Stop();

private:
    struct Datagram {
        Endpoint to;
        std::string payload;
    };
    void Run();

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Datagram> queue_;
    bool sending_ = false;
    bool stopping_ = false;
};

} // namespace pqstat
