// Endpoint parsing and resolution.
#include "endpoint.h"

#include <ws2tcpip.h>

#include <cstdlib>
#include <cstring>

namespace pqstat {

Endpoint MakeEndpoint(const char* text, int port) {
    Endpoint endpoint;
    endpoint.host = text ? text : "";
    endpoint.port = port;
    const auto colon = endpoint.host.rfind(':');
    if (colon != std::string::npos) {
        endpoint.port = std::atoi(endpoint.host.c_str() + colon + 1);
        endpoint.host.resize(colon);
    }
    return endpoint;
}

bool Resolve(const Endpoint& endpoint, int socketType, sockaddr_in& address) {
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = socketType;
    addrinfo* found = nullptr;
    if (::getaddrinfo(endpoint.host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    std::memcpy(&address, found->ai_addr, sizeof address);
    ::freeaddrinfo(found);
    address.sin_port = htons(static_cast<u_short>(endpoint.port));
    return true;
}

} // namespace pqstat
