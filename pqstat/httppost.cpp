// HttpPost: URL parsing, non-blocking connect and send, status line read,
// every step against the same deadline.
#include "httppost.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "pinnedthread.h"

namespace pqstat {

namespace {

struct Target {
    Endpoint server;
    std::string path;
};

bool ParseHttpUrl(const std::string& url, Target& target) {
    const std::string scheme = "http://";
    if (url.compare(0, scheme.size(), scheme) != 0) return false;
    const std::string rest = url.substr(scheme.size());
    const auto slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    target.path = slash == std::string::npos ? "/" : rest.substr(slash);
    target.server = MakeEndpoint(authority.c_str(), 80);
    return target.server.Valid();
}

class Socket {
public:
    Socket() : sock_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() { if (sock_ != INVALID_SOCKET) ::closesocket(sock_); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return sock_; }
private:
    SOCKET sock_;
};

// Milliseconds left before `deadline` (GetTickCount64 time), 0 when past.
DWORD Remaining(ULONGLONG deadline) {
    const ULONGLONG now = ::GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

bool WaitReady(SOCKET sock, bool forWrite, ULONGLONG deadline) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(sock, &set);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(sock, &failed);
    const DWORD ms = Remaining(deadline);
    timeval wait = {static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    const int ready = ::select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &failed, &wait);
    return ready > 0 && FD_ISSET(sock, &set);
}

bool SendAll(SOCKET sock, const std::string& data, ULONGLONG deadline) {
    size_t sent = 0;
    while (sent < data.size()) {
        if (!WaitReady(sock, true, deadline)) return false;
        const int n = ::send(sock, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Reads up to the end of the status line; true for a 2xx status.
bool ReadStatus(SOCKET sock, ULONGLONG deadline) {
    std::string head;
    while (head.find("\r\n") == std::string::npos && head.size() < 4096) {
        if (!WaitReady(sock, false, deadline)) return false;
        char buffer[512];
        const int n = ::recv(sock, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<size_t>(n));
    }
    // "HTTP/1.1 204 No Content"
    if (head.compare(0, 5, "HTTP/") != 0) return false;
    const auto space = head.find(' ');
    if (space == std::string::npos) return false;
    const int status = std::atoi(head.c_str() + space + 1);
    return status >= 200 && status < 300;
}

bool PostNow(const HttpRequest& request, ULONGLONG deadline) {
    Target target;
    if (!ParseHttpUrl(request.url, target)) return false;
    const Endpoint& connectTo = request.proxy.Valid() ? request.proxy : target.server;
    sockaddr_in address;
    if (!Resolve(connectTo, SOCK_STREAM, address) || Remaining(deadline) == 0) return false;

    Socket sock;
    if (sock.Get() == INVALID_SOCKET) return false;
    u_long nonBlocking = 1;
    ::ioctlsocket(sock.Get(), FIONBIO, &nonBlocking);
    if (::connect(sock.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK) {
        return false;
    }
    if (!WaitReady(sock.Get(), true, deadline)) return false;

    const std::string hostHeader = target.server.port == 80
        ? target.server.host : target.server.host + ":" + std::to_string(target.server.port);
    // Through a proxy the request line carries the absolute URL.
    const std::string requestTarget = request.proxy.Valid() ? request.url : target.path;
    std::string message = "POST " + requestTarget + " HTTP/1.1\r\n"
        "Host: " + hostHeader + "\r\n"
        "User-Agent: pqstat/1.0\r\n"
        "Content-Type: " + request.contentType + "\r\n"
        "Content-Length: " + std::to_string(request.body.size()) + "\r\n"
        "Connection: close\r\n\r\n";
    message += request.body;
    return SendAll(sock.Get(), message, deadline) && ReadStatus(sock.Get(), deadline);
}

struct PostJob {
    HttpRequest request;
    ULONGLONG deadline;
    HANDLE done;
    bool ok = false;
    ~PostJob() { ::CloseHandle(done); }
};

void RunJob(const std::shared_ptr<PostJob>& job) {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) == 0) {
        job->ok = PostNow(job->request, job->deadline);
        ::WSACleanup();
    }
    ::SetEvent(job->done);
}

} // namespace

bool HttpPost(const HttpRequest& request, unsigned budgetMs) {
    auto job = std::make_shared<PostJob>();
    job->request = request;
    job->deadline = ::GetTickCount64() + budgetMs;
    job->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!job->done) return false;
    // Name resolution cannot be given a time limit, so the caller waits for
    // the worker instead; a late worker finishes on its own and is ignored.
    if (!StartPinnedThread([job] { RunJob(job); })) return false;
    if (::WaitForSingleObject(job->done, budgetMs) != WAIT_OBJECT_0) return false;
    return job->ok;
}

} // namespace pqstat
