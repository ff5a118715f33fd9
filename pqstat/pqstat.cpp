// The exports of pqstat.dll. Configuration and reports may come from any
// thread: one lock guards the state, reports are queued for the UDP sender,
// and HTTP posts run on a thread of their own with a fixed time budget.
#include "pqstat.h"

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "endpoint.h"
#include "httppost.h"
#include "report.h"
#include "udpchannel.h"

namespace {

constexpr unsigned kHttpBudgetMs = 5000;
constexpr int kMaxActionsPerReport = 256;

struct State {
    std::mutex lock;
    pqstat::Identity identity;
    pqstat::Endpoint dispatch, online, action, loginout, install, proxy;
    int lastInstallKind = 0;
    unsigned seq = 0;
    std::shared_ptr<pqstat::UdpChannel> channel;   // null until the first report or stat_init
};

State& TheState() {
    static State state;
    return state;
}

// The running sender, started on first use. Caller holds the lock.
pqstat::UdpChannel* Channel(State& state) {
    if (!state.channel) {
        auto channel = std::make_shared<pqstat::UdpChannel>();
        if (!channel->Start()) return nullptr;
        state.channel = std::move(channel);
    }
    return state.channel.get();
}

// Queues a report for `to`, or for the dispatch address when `to` is unset.
void Queue(const pqstat::Endpoint& to, const char* type, const std::string& extra) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    const pqstat::Endpoint& target = to.Valid() ? to : state.dispatch;
    if (!target.Valid()) return;
    const std::string report = pqstat::BuildReport(type, state.identity, ++state.seq, extra);
    if (auto* channel = Channel(state)) channel->Post(target, report);
}

void SetAddress(pqstat::Endpoint State::*field, const char* host, int port) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.*field = pqstat::MakeEndpoint(host, port);
}

} // namespace

PQSTAT_API int __stdcall stat_init() {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 0;
    ::WSACleanup();
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    return Channel(state) ? 1 : 0;
}

PQSTAT_API void __stdcall stat_proxy(const char* host, int port) { SetAddress(&State::proxy, host, port); }
PQSTAT_API void __stdcall stat_dispatch_addr(const char* host, int port) { SetAddress(&State::dispatch, host, port); }
PQSTAT_API void __stdcall stat_online_addr(const char* host, int port) { SetAddress(&State::online, host, port); }
PQSTAT_API void __stdcall stat_action_addr(const char* host, int port) { SetAddress(&State::action, host, port); }
PQSTAT_API void __stdcall stat_loginout_addr(const char* host, int port) { SetAddress(&State::loginout, host, port); }
PQSTAT_API void __stdcall stat_install_addr(const char* host, int port) { SetAddress(&State::install, host, port); }

PQSTAT_API void __stdcall stat_unionid(int unionId) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.identity.unionId = unionId;
}

PQSTAT_API void __stdcall stat_appid(int appId) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.identity.appId = appId;
}

PQSTAT_API void __stdcall stat_level(int level) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.identity.level = level;
}

PQSTAT_API void __stdcall stat_version(const char* dottedVersion) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.identity.version = dottedVersion ? dottedVersion : "";
}

PQSTAT_API void __stdcall stat_version_ex(int major, int minor, int build, int revision) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.identity.version = std::to_string(major) + "." + std::to_string(minor) + "." +
                             std::to_string(build) + "." + std::to_string(revision);
}

PQSTAT_API void __stdcall stat_online() {
    Queue(TheState().online, "online", "");
}

PQSTAT_API void __stdcall stat_offline() {
    Queue(TheState().loginout, "offline", "");
}

PQSTAT_API void __stdcall stat_action(int actionId) {
    stat_mutilaction(&actionId, 1, 0);
}

PQSTAT_API void __stdcall stat_mutilaction(const int* actionIds, int count, int options) {
    if (!actionIds || count <= 0 || count > kMaxActionsPerReport) return;
    const std::vector<int> ids(actionIds, actionIds + count);
    Queue(TheState().action, "action",
          ",\"actions\":" + pqstat::JsonIntArray(ids) + ",\"options\":" + std::to_string(options));
}

PQSTAT_API void __stdcall stat_install(int kind) {
    State& state = TheState();
    pqstat::Endpoint to;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.lastInstallKind = kind;
        to = state.install;
    }
    if (to.Valid()) Queue(to, "install", ",\"kind\":" + std::to_string(kind));
}

PQSTAT_API void __stdcall stat_app_install(int appId, int kind) {
    State& state = TheState();
    pqstat::Endpoint to;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        to = state.install;
    }
    if (to.Valid()) {
        Queue(to, "app_install", ",\"target\":" + std::to_string(appId) + ",\"kind\":" + std::to_string(kind));
    }
}

PQSTAT_API int __stdcall stat_close(int waitMs) {
    State& state = TheState();
    std::shared_ptr<pqstat::UdpChannel> channel;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        channel = std::move(state.channel);
    }
    if (!channel) return 1;
    const bool drained = channel->Flush(waitMs);
    channel->Stop();
    return drained ? 1 : 0;
}

PQSTAT_API int __stdcall stat_http_post(const char* url, const char* body, int length, int wrap) {
    if (!url) return 0;
    State& state = TheState();
    pqstat::HttpRequest request;
    request.url = url;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        request.proxy = state.proxy;
        const std::string kind = ",\"kind\":" + std::to_string(state.lastInstallKind);
        if (!body) {
            request.body = pqstat::BuildReport("install", state.identity, ++state.seq, kind);
        } else if (wrap) {
            const std::string text(body, length > 0 ? static_cast<size_t>(length) : 0);
            request.body = pqstat::BuildReport("post", state.identity, ++state.seq,
                                               kind + ",\"text\":" + pqstat::JsonString(text));
        } else {
            request.body.assign(body, length > 0 ? static_cast<size_t>(length) : 0);
        }
    }
    request.contentType = (!body || wrap) ? "application/json" : "text/plain; charset=utf-8";
    return pqstat::HttpPost(request, kHttpBudgetMs) ? 1 : 0;
}
