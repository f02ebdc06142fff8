#pragma once
// Whether the machine looks connected to the Internet, decided without any traffic.

#include <cstdint>
#include <stdexcept>
#include <string>

// The remote-access library lacks its enumeration function.
class ERasError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// 0: not connected; 1: a proxy is configured and enabled for the user; 2: no proxy, but a
// connection is active.
uint8_t IsInetOnline();

// Active connections: the remote-access library's count when the system has that library;
// without it (always here), the network interfaces that are up and carry a default route.
int ActiveRasConnectionCount();

// The user's enabled proxy server setting, empty when none is enabled.
std::string UserProxyServer();

// Tests read crafted route tables instead of the kernel's (empty strings: the kernel's).
void SetRouteTablesForTesting(const std::string& ipv4, const std::string& ipv6);
