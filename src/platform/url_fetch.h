#pragma once
// The WinInet stand-in: one synchronous HTTP(S) transfer over libcurl, its body handed to
// the caller in pieces of at most 1024 bytes, as InternetReadFile reads them.

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct FetchLimits {
    long connectSeconds = 10;
    long totalSeconds = 30;
    long stallSeconds = 10;      // no byte at all for this long ends the transfer
    int64_t maxBytes = 1 << 20;  // a longer body is a failure, not a truncated success
    long maxRedirects = 3;
};

struct FetchRequest {
    std::string url;
    std::string agent;
    // "host:port", or per scheme as "http=host:port;https=host:port"; empty: the standard
    // proxy environment variables (http_proxy, https_proxy, no_proxy) apply.
    std::string proxy;
    FetchLimits limits;
};

// Fetches request.url; each received piece goes to write, which may throw (the transfer
// stops and the exception passes on). Returns false, with a readable reason in error, when
// the transfer fails: no connection, a scheme other than http or https (redirects
// included), an HTTP status of 400 or more, a time limit or the size limit.
bool FetchUrl(const FetchRequest& request, const std::function<void(const char* data, size_t size)>& write,
              std::string& error);

// The proxy of one scheme from a proxy setting in either of its forms ("" when none).
std::string ProxyForScheme(const std::string& setting, const std::string& scheme);

}  // namespace platform
