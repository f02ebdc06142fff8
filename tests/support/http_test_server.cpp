#include "http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace testing_support {

namespace {

bool sendAll(int fd, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string header(const std::string& head, const char* name)
{
    const std::string key = std::string("\r\n") + name + ": ";
    const auto at = head.find(key);
    if (at == std::string::npos)
        return {};
    const auto start = at + key.size();
    return head.substr(start, head.find("\r\n", start) - start);
}

}  // namespace

TestHttpServer::TestHttpServer()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("test HTTP server: cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

TestHttpServer::~TestHttpServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void TestHttpServer::Route(const std::string& path, Reply reply)
{
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(reply);
}

std::string TestHttpServer::Base() const
{
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string TestHttpServer::LastRequestLine() const
{
    std::lock_guard lock(mutex_);
    return lastLine_;
}

std::string TestHttpServer::LastAgent() const
{
    std::lock_guard lock(mutex_);
    return lastAgent_;
}

void TestHttpServer::serve()
{
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        answer(client);
        ::close(client);
    }
}

void TestHttpServer::answer(int client)
{
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd readable{client, POLLIN, 0};
        if (stopping_ || ::poll(&readable, 1, 2000) <= 0)
            return;
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<size_t>(n));
    }
    const std::string line = head.substr(0, head.find("\r\n"));
    std::string target = line.substr(line.find(' ') + 1);
    target = target.substr(0, target.find(' '));
    // A request through a proxy names the whole address.
    if (target.rfind("http://", 0) == 0)
        target = target.substr(target.find('/', 7));
    Reply reply;
    {
        std::lock_guard lock(mutex_);
        lastLine_ = line;
        lastAgent_ = header(head, "User-Agent");
        const auto found = routes_.find(target);
        if (found == routes_.end())
            reply.status = 404, reply.body = "<html>not found</html>";
        else
            reply = found->second;
    }
    ++requests_;
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\nConnection: close\r\n";
    if (!reply.location.empty())
        out += "Location: " + reply.location + "\r\n";
    if (reply.kind == Reply::Whole)
        out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "\r\n";
    if (reply.kind == Reply::Whole) {
        sendAll(client, out + reply.body);
        return;
    }
    if (!sendAll(client, out))
        return;
    // Endless and trickling bodies go on until the client gives up or the server stops.
    const std::string chunk = reply.kind == Reply::Endless ? std::string(16384, 'x') : std::string("x");
    while (!stopping_ && sendAll(client, chunk)) {
        if (reply.kind == Reply::Trickle)
            for (int i = 0; i < 50 && !stopping_; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace testing_support
