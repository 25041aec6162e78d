// The stored quick-launch text: a list that reads, written back and read again, gives the same
// items.
#include "FuzzInput.h"
#include "quicklaunch/QuickLaunchStore.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto items = QuickLaunchStore::decode(QString::fromUtf8(fuzz::bytes(data, size)));
    if (!items)
        return 0;
    QuickLaunchStore::describe(*items);
    const auto again = QuickLaunchStore::decode(QuickLaunchStore::encode(*items));
    fuzz::require(again && again->keys() == items->keys());
    for (auto item = items->begin(); item != items->end(); ++item)
        fuzz::require(again->value(item.key())->toJson() == item.value()->toJson());
    return 0;
}
