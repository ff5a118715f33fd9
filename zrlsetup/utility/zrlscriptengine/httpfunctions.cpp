// Lua_HttpPost: one JSON POST through CHttpClient, synchronous on the calling thread.
#include "httpfunctions.h"

#include <string>

#include "scriptargs.h"
#include "../../../jvpublic/jvbase/http/chttpclient.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {

namespace {
constexpr int kConnectTimeoutSeconds = 13;
constexpr int kTimeoutSeconds = 15;
} // namespace

int Lua_HttpPost(lua_State* L) {
    // The script's bytes go out as they are (UTF-8), without a trip through UTF-16.
    const std::string url = ArgBytes(L, 1);
    const std::string body = ArgBytes(L, 2);
    if (url.empty()) {
        lua_pushboolean(L, 0);
        return 1;
    }
    CHttpClient client(false, kConnectTimeoutSeconds, kTimeoutSeconds);
    std::string response;   // received and dropped
    const int code = client.Post(url, body, response);
    TRACE(L"Post Url code: %d", code);
    lua_pushboolean(L, code == 0);
    return 1;
}

} // namespace zrl::script
