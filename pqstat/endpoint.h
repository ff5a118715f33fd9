// Network endpoints: "host" or "host:port" texts, and IPv4 name resolution.
#pragma once

#include <winsock2.h>

#include <string>

namespace pqstat {

struct Endpoint {
    std::string host;
    int port = 0;
    bool Valid() const { return !host.empty() && port > 0 && port < 65536; }
};

// A port written into the text ("host:port") wins over `port`.
Endpoint MakeEndpoint(const char* text, int port);

// IPv4 address of the endpoint; false when the name does not resolve.
bool Resolve(const Endpoint& endpoint, int socketType, sockaddr_in& address);

} // namespace pqstat
