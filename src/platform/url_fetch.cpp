#include "url_fetch.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <mutex>
#include <sstream>

namespace platform {

namespace {

struct Transfer {
    const std::function<void(const char*, size_t)>* write;
    int64_t maxBytes;
    int64_t received = 0;
    bool tooLong = false;
    std::exception_ptr failure;
};

size_t onBody(char* data, size_t size, size_t count, void* userData)
{
    auto& t = *static_cast<Transfer*>(userData);
    const size_t bytes = size * count;
    t.received += static_cast<int64_t>(bytes);
    if (t.received > t.maxBytes) {
        t.tooLong = true;
        return 0;
    }
    // An exception must not cross libcurl's C frames: it is kept and thrown after.
    try {
        (*t.write)(data, bytes);
    } catch (...) {
        t.failure = std::current_exception();
        return 0;
    }
    return bytes;
}

std::string trim(std::string s)
{
    const auto first = s.find_first_not_of(" \t");
    const auto last = s.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

}  // namespace

std::string ProxyForScheme(const std::string& setting, const std::string& scheme)
{
    if (setting.find('=') == std::string::npos)
        return trim(setting);
    std::stringstream entries(setting);
    std::string entry;
    while (std::getline(entries, entry, ';')) {
        const auto eq = entry.find('=');
        if (eq != std::string::npos && trim(entry.substr(0, eq)) == scheme)
            return trim(entry.substr(eq + 1));
    }
    return {};
}

bool FetchUrl(const FetchRequest& request, const std::function<void(const char*, size_t)>& write, std::string& error)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        error = "cannot start a transfer";
        return false;
    }
    CURL* h = curl.get();
    Transfer transfer{&write, request.limits.maxBytes, 0, false, nullptr};
    char message[CURL_ERROR_SIZE] = "";
    const std::string scheme = request.url.substr(0, request.url.find(':'));
    const std::string proxy = ProxyForScheme(request.proxy, scheme);
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, request.agent.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, request.limits.maxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, request.limits.connectSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, request.limits.totalSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, request.limits.stallSeconds);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.limits.maxBytes));
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 1024L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    if (!proxy.empty())
        curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());
    const CURLcode code = curl_easy_perform(h);
    if (transfer.failure)
        std::rethrow_exception(transfer.failure);
    if (transfer.tooLong || code == CURLE_FILESIZE_EXCEEDED) {
        error = "the answer is longer than " + std::to_string(request.limits.maxBytes) + " bytes";
        return false;
    }
    if (code != CURLE_OK) {
        error = message[0] ? message : curl_easy_strerror(code);
        return false;
    }
    return true;
}

}  // namespace platform
