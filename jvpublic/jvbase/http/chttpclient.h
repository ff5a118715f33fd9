// One JSON POST over libcurl, with the response body collected into a string.
#pragma once

#include <string>

class CHttpClient {
public:
    CHttpClient(bool debug, int connectTimeoutSeconds, int timeoutSeconds)
        : debug_(debug), connectTimeout_(connectTimeoutSeconds), timeout_(timeoutSeconds) {}

    // Posts `body` to `url` and appends the response body to `response`.
    // Returns the libcurl result code: 0 when the transfer completed, whatever
    // the HTTP status; 2 when no easy handle could be made. A host that does not
    // resolve is tried once more with the fallback name servers, once per client.
    int Post(const std::string& url, const std::string& body, std::string& response);

    bool UsesFallbackDns() const { return fallbackDns_; }

private:
    bool debug_;
    bool fallbackDns_ = false;
    int connectTimeout_;
    int timeout_;
};
