// A compiled development server for the tests, as `go run` or `cargo run` leave one: listens on
// 127.0.0.1 at the port given, says "connection" for each one, answers HTTP with a page titled by its
// second argument, and ends by itself after two minutes.
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT TITLE\n", argv[0]);
        return 2;
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[1])));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0) {
        std::perror("listen");
        return 1;
    }
    const std::string page =
        std::string("<html><head><title>") + argv[2] + "</title></head><body></body></html>";
    const time_t end = std::time(nullptr) + 120;
    while (std::time(nullptr) < end) {
        pollfd waiting{listener, POLLIN, 0};
        if (::poll(&waiting, 1, 1000) <= 0)
            continue;
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection < 0)
            continue;
        std::printf("connection\n");
        std::fflush(stdout);
        std::string request;
        char buffer[4096];
        pollfd reading{connection, POLLIN, 0};
        while (request.find("\r\n\r\n") == std::string::npos && ::poll(&reading, 1, 3000) > 0) {
            const ssize_t n = ::read(connection, buffer, sizeof buffer);
            if (n <= 0)
                break;
            request.append(buffer, size_t(n));
        }
        const std::string reply =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
            "\r\nConnection: close\r\n\r\n" + page;
        (void)::write(connection, reply.data(), reply.size());
        ::close(connection);
    }
    return 0;
}
