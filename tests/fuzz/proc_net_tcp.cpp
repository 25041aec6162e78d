// /proc/net/tcp and tcp6: every listening socket read from them gets a NAME ending in a port.
#include "FuzzInput.h"
#include "platform/linux/ProcNetListingSource.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray table = fuzz::bytes(data, size);
    for (const bool ipv6 : {false, true}) {
        for (const QString& name : ProcNetListingSource::parseTcpTable(table, ipv6)) {
            const qsizetype colon = name.lastIndexOf(u':');
            bool ok = false;
            const uint port = name.mid(colon + 1).toUInt(&ok);
            fuzz::require(colon > 0 && ok && port <= 65535);
        }
    }
    return 0;
}
