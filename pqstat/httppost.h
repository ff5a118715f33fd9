// A plain HTTP/1.1 POST over Winsock with one time budget for the whole call.
#pragma once

#include <string>

#include "endpoint.h"

namespace pqstat {

struct HttpRequest {
    std::string url;            // http://host[:port][/path]
    std::string body;
    std::string contentType;
    Endpoint proxy;             // used when valid
};

// Runs the request on a pinned thread and waits at most `budgetMs` for it.
// True when the server answered with a 2xx status in time. https URLs and
// anything that is not http:// are refused (false, nothing sent).
bool HttpPost(const HttpRequest& request, unsigned budgetMs);

} // namespace pqstat
