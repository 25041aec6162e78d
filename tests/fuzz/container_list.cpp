// The container engine's list of running containers.
#include "FuzzInput.h"
#include "net/ContainerEngine.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto containers = ContainerEngine::parseContainerList(fuzz::bytes(data, size));
    if (!containers)
        return 0;
    for (const ContainerEngine::Container& container : containers.value()) {
        fuzz::require(!container.name.isEmpty() && container.name.size() <= ContainerEngine::kMaxNameLength);
        fuzz::require(container.image.size() <= ContainerEngine::kMaxImageLength);
        for (const QChar c : container.name + container.image)
            fuzz::require(c.isPrint() && c.category() != QChar::Other_Format);
        for (const int port : container.publicPorts)
            fuzz::require(port > 0 && port <= 65535);
    }
    return 0;
}
