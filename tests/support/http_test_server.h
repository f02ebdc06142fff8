#pragma once
// A small HTTP server on 127.0.0.1 for the download tests: fixed answers by path, a body
// that never ends, one that trickles, redirects. Also answers requests in proxy form.

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace testing_support {

class TestHttpServer {
public:
    struct Reply {
        enum Kind { Whole, Endless, Trickle } kind = Whole;
        int status = 200;
        std::string body;
        std::string location;  // sent as Location: with a 3xx status
    };

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    void Route(const std::string& path, Reply reply);
    std::string Base() const;  // http://127.0.0.1:port
    std::string Url(const std::string& path) const { return Base() + path; }
    int Requests() const { return requests_; }
    // The last request's first line and User-Agent.
    std::string LastRequestLine() const;
    std::string LastAgent() const;

private:
    void serve();
    void answer(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::map<std::string, Reply> routes_;
    std::string lastLine_, lastAgent_;
    std::thread thread_;
};

}  // namespace testing_support
