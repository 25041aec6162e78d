#include "probe/NumericAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>

namespace tidewell {

std::optional<NumericAddress> NumericAddress::parse(const QString& text)
{
    if (text.isEmpty() || text.contains(QChar(0)))
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    // Numbers only: a name is never looked up, however it is written.
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (::getaddrinfo(text.toLatin1().constData(), nullptr, &hints, &found) != 0 || found == nullptr)
        return std::nullopt;
    NumericAddress address;
    if ((found->ai_family == AF_INET || found->ai_family == AF_INET6) &&
        found->ai_addrlen <= sizeof address.m_address) {
        std::memcpy(&address.m_address, found->ai_addr, found->ai_addrlen);
        address.m_length = found->ai_addrlen;
    }
    ::freeaddrinfo(found);
    if (address.m_length == 0)
        return std::nullopt;
    return address;
}

bool NumericAddress::isAny() const
{
    if (family() == AF_INET)
        return reinterpret_cast<const sockaddr_in*>(&m_address)->sin_addr.s_addr == htonl(INADDR_ANY);
    return IN6_IS_ADDR_UNSPECIFIED(&reinterpret_cast<const sockaddr_in6*>(&m_address)->sin6_addr);
}

bool NumericAddress::isLoopback() const
{
    if (family() == AF_INET)
        return (ntohl(reinterpret_cast<const sockaddr_in*>(&m_address)->sin_addr.s_addr) >> 24) == 127;
    const in6_addr& address = reinterpret_cast<const sockaddr_in6*>(&m_address)->sin6_addr;
    // ::ffff:127.0.0.1 is the IPv4 loopback address, written for IPv6.
    return IN6_IS_ADDR_LOOPBACK(&address) || (IN6_IS_ADDR_V4MAPPED(&address) && address.s6_addr[12] == 127);
}

void NumericAddress::setPort(quint16 port)
{
    if (family() == AF_INET)
        reinterpret_cast<sockaddr_in*>(&m_address)->sin_port = htons(port);
    else
        reinterpret_cast<sockaddr_in6*>(&m_address)->sin6_port = htons(port);
}

} // namespace tidewell
