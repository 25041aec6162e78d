// The listing of `lsof -iTCP -sTCP:LISTEN -n -P`: every row read from it has its three columns,
// none empty or holding a separator.
#include "FuzzInput.h"
#include "platform/ListeningSocket.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const ListeningSocket& socket : parseLsofListing(fuzz::bytes(data, size))) {
        for (const QString* column : {&socket.command, &socket.pid, &socket.name})
            fuzz::require(!column->isEmpty() && !column->contains(u' ') && !column->contains(u'\n'));
    }
    return 0;
}
