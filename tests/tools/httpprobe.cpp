// httpprobe <out> <log> <url> <body> <connect s> <timeout s> <debug 0|1> <posts>
// Runs <posts> POSTs on one CHttpClient with the install log at <log>; writes
// "post=<i> code=<n> fallback=<0|1> response=<body>" per post to <out>, and
// "probe post <i>" to the log before each post. A body of "-" is empty.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "jvpublic/jvbase/http/chttpclient.h"
#include "jvpublic/jvbase/jvbaselog.h"
#include "zrlsetup/utility/base/textconv.h"

#include <curl/curl.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 9) return 2;
    FILE* out = _wfopen(argv[1], L"wb");
    if (!out) return 3;
    CJVBaseLog::Instance().InitLogger(zrl::WideToAnsi(argv[2]));
    const std::string url = zrl::WideToUtf8(argv[3]);
    const std::string body = std::wcscmp(argv[4], L"-") == 0 ? "" : zrl::WideToUtf8(argv[4]);
    curl_global_init(CURL_GLOBAL_ALL);
    CHttpClient client(_wtoi(argv[7]) != 0, _wtoi(argv[5]), _wtoi(argv[6]));
    const int posts = _wtoi(argv[8]);
    for (int i = 1; i <= posts; ++i) {
        LOG_INFO("probe post {}", i);
        std::string response;
        const int code = client.Post(url, body, response);
        std::fprintf(out, "post=%d code=%d fallback=%d response=%s\n", i, code,
                     client.UsesFallbackDns() ? 1 : 0, response.c_str());
    }
    curl_global_cleanup();
    std::fclose(out);
    return 0;
}
