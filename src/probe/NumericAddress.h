#pragma once

#include <QString>
#include <optional>
#include <sys/socket.h>

namespace tidewell {

// An IPv4 or IPv6 address written in numbers ("127.0.0.1", "::1", "fe80::1%eth0"), read without
// looking any name up, ready to connect to.
class NumericAddress
{
public:
    // None for a name or for text that is no address; brackets around IPv6 are not taken.
    static std::optional<NumericAddress> parse(const QString& text);

    int family() const { return m_address.ss_family; }
    bool isAny() const;
    bool isLoopback() const;
    const sockaddr* socketAddress() const { return reinterpret_cast<const sockaddr*>(&m_address); }
    socklen_t socketAddressLength() const { return m_length; }
    void setPort(quint16 port);

private:
    sockaddr_storage m_address{};
    socklen_t m_length = 0;
};

} // namespace tidewell
