#include "platform/OpenFileLimit.h"

#include <algorithm>
#include <mutex>
#include <sys/resource.h>

namespace tidewell {

void OpenFileLimit::raiseToHardLimit()
{
    static std::once_flag raised;
    std::call_once(raised, [] {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
            return;
        const rlim_t wanted = limit.rlim_max == RLIM_INFINITY
                                  ? rlim_t(kMaxDescriptors)
                                  : std::min(limit.rlim_max, rlim_t(kMaxDescriptors));
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
            limit.rlim_cur = wanted;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
}

} // namespace tidewell
