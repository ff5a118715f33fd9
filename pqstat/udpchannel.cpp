// UdpChannel: one datagram per report. A send is a name resolution and a
// sendto; the resolution is the only part that can take long, and nobody waits
// for it longer than its own bound (stat_close's number).
#include "udpchannel.h"

#include <chrono>

#include "pinnedthread.h"

namespace pqstat {

bool UdpChannel::Start() {
    auto self = shared_from_this();
    return StartPinnedThread([self] { self->Run(); });
}

void UdpChannel::Post(const Endpoint& to, std::string payload) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stopping_) return;
        queue_.push_back({to, std::move(payload)});
    }
    changed_.notify_all();
}

bool UdpChannel::Flush(int waitMs) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(waitMs < 0 ? 0 : waitMs),
                             [this] { return queue_.empty() && !sending_; });
}

void UdpChannel::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
}

void UdpChannel::Run() {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        Stop();
        return;
    }
    SOCKET sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    for (;;) {
        Datagram datagram;
        {
            std::unique_lock<std::mutex> guard(lock_);
            sending_ = false;
            changed_.notify_all();
            changed_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) break;
            datagram = std::move(queue_.front());
            queue_.pop_front();
            sending_ = true;
        }
        sockaddr_in address;
        if (sock != INVALID_SOCKET && Resolve(datagram.to, SOCK_DGRAM, address)) {
            ::sendto(sock, datagram.payload.data(), static_cast<int>(datagram.payload.size()), 0,
                     reinterpret_cast<const sockaddr*>(&address), sizeof address);
        }
    }
    if (sock != INVALID_SOCKET) ::closesocket(sock);
    ::WSACleanup();
}

} // namespace pqstat
