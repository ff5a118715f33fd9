// CHttpClient: the POST request, the body collector and the debug callback
// that copies libcurl's records into the install log.
#include "chttpclient.h"

#include <curl/curl.h>

#include <string_view>

#include "../jvbaselog.h"

namespace {

constexpr const char* kFallbackDnsServers = "223.5.5.5,119.29.29.29,114.114.114.114,8.8.8.8,4.4.4.4";

size_t CollectBody(char* data, size_t size, size_t count, void* userData) {
    auto* response = static_cast<std::string*>(userData);
    if (!response) return 0;   // makes libcurl end the transfer with a write error
    response->append(data, size * count);
    return size * count;
}

int OnDebug(CURL*, curl_infotype kind, char* data, size_t size, void*) {
    const std::string_view record(data, size);
    switch (kind) {
    case CURLINFO_TEXT:       LOG_INFO("[TEXT] {}", record); break;
    case CURLINFO_HEADER_IN:  LOG_INFO("[HEADER_IN] {}", record); break;
    case CURLINFO_HEADER_OUT: LOG_INFO("[HEADER_OUT] {}", record); break;
    case CURLINFO_DATA_IN:    LOG_INFO("[DATA_IN] {}", record); break;
    case CURLINFO_DATA_OUT:   LOG_INFO("[DATA_OUT] {}", record); break;
    default: break;           // TLS records
    }
    return 0;
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
};

struct EasyHandle {
    CURL* curl = curl_easy_init();
    ~EasyHandle() { if (curl) curl_easy_cleanup(curl); }
};

} // namespace

int CHttpClient::Post(const std::string& url, const std::string& body, std::string& response) {
    HeaderList headers;   // outlives the handle
    EasyHandle easy;
    if (!easy.curl) return CURLE_FAILED_INIT;
    CURL* curl = easy.curl;

    if (debug_) curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, OnDebug);
    headers.list = curl_slist_append(headers.list, "Accept: application/json");
    headers.list = curl_slist_append(headers.list, "Content-Type: application/json");
    headers.list = curl_slist_append(headers.list, "charsets: utf-8");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    // Peer and host name are verified against the Windows certificate store:
    // without it anyone on the path could read and forge the traffic.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (fallbackDns_) curl_easy_setopt(curl, CURLOPT_DNS_SERVERS, kFallbackDnsServers);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPIDLE, 30L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPINTVL, 7L);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout_));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(timeout_));
    curl_easy_setopt(curl, CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));

    CURLcode result = curl_easy_perform(curl);
    if (result == CURLE_COULDNT_RESOLVE_HOST && !fallbackDns_) {
        // One more try with public name servers; this libcurl may lack
        // CURLOPT_DNS_SERVERS, then the retry goes to the system resolver again.
        fallbackDns_ = true;
        curl_easy_setopt(curl, CURLOPT_DNS_SERVERS, kFallbackDnsServers);
        result = curl_easy_perform(curl);
    }
    return result;
}
