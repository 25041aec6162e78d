#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace tidewell::bench {

// What a development server reports once it listens: its port and when listen() returned, on the
// monotonic clock that std::chrono::steady_clock also reads.
struct ServerReport
{
    int port = 0;
    long long listenedAtNs = 0;
};

inline long long monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// A small HTML page titled `title` as a whole HTTP reply, written into `reply`; gives its length.
inline int formatPageReply(char* reply, size_t size, const char* title)
{
    char page[512];
    const int body =
        std::snprintf(page, sizeof page, "<html><head><title>%s</title></head><body></body></html>", title);
    return std::snprintf(reply, size,
                         "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n"
                         "Connection: close\r\n\r\n%s",
                         body, page);
}

// Reads one request's head from `connection` (not waiting more than a second for it), answers with
// `reply` and closes the connection.
inline void answerOneRequest(int connection, const char* reply, int replyLength)
{
    pollfd reading{connection, POLLIN, 0};
    char request[4096];
    size_t seen = 0;
    while (seen<sizeof request&& ::poll(&reading, 1, 1000)> 0) {
        const ssize_t n = ::read(connection, request + seen, sizeof request - seen);
        if (n <= 0)
            break;
        seen += size_t(n);
        if (::memmem(request, seen, "\r\n\r\n", 4))
            break;
    }
    (void)::write(connection, reply, size_t(replyLength));
    ::close(connection);
}

// The body of a forked child that stands for a development server: named "node", listening on
// 127.0.0.1, answering every request with a small HTML page titled `title`. Plain system calls
// only, as it runs in a fork of a threaded program. Never returns.
[[noreturn]] inline void serveTinyPage(int reportFd, const char* title)
{
    ::prctl(PR_SET_NAME, "node", 0, 0, 0);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ServerReport report;
    if (listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(listener, 64) == 0) {
        report.listenedAtNs = monotonicNs();
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        report.port = ntohs(address.sin_port);
    }
    while (::write(reportFd, &report, sizeof report) < 0 && errno == EINTR) {
    }
    ::close(reportFd);
    if (report.port == 0)
        ::_exit(1);
    char reply[768];
    const int replyLength = formatPageReply(reply, sizeof reply, title);
    for (;;) {
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection >= 0)
            answerOneRequest(connection, reply, replyLength);
    }
}

// The body of a forked child that stands for a development server holding many ports: named "node",
// listening on the `count` ports of 127.0.0.1 from `firstPort` on, writing one byte to `reportFd` ('k' when
// all listen, 'x' otherwise), then answering every request on any of them with a small HTML page titled
// `title`, one connection at a time. Never returns.
[[noreturn]] inline void serveTinyPagesOnPorts(int reportFd, int firstPort, int count, const char* title)
{
    ::prctl(PR_SET_NAME, "node", 0, 0, 0);
    std::vector<pollfd> listeners;
    for (int i = 0; i < count; ++i) {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        // Earlier rounds leave thousands of closed connections waiting out their time on these
        // ports, which may be listened on again.
        const int on = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(uint16_t(firstPort + i));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, 64) != 0)
            break;
        listeners.push_back(pollfd{listener, POLLIN, 0});
    }
    const char report = int(listeners.size()) == count ? 'k' : 'x';
    while (::write(reportFd, &report, 1) < 0 && errno == EINTR) {
    }
    ::close(reportFd);
    char reply[768];
    const int replyLength = formatPageReply(reply, sizeof reply, title);
    for (;;) {
        if (::poll(listeners.data(), listeners.size(), -1) <= 0)
            continue;
        for (pollfd& listener : listeners) {
            if ((listener.revents & POLLIN) == 0)
                continue;
            const int connection = ::accept(listener.fd, nullptr, nullptr);
            if (connection >= 0)
                answerOneRequest(connection, reply, replyLength);
        }
    }
}

} // namespace tidewell::bench
