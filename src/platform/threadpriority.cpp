#include "platform/threadpriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace zavo::platform {

void LowerThisThreadPriority() {
    sched_param none{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &none) == 0) return;
    // On Linux the nice value belongs to the thread named by its id, not to the whole process.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

}  // namespace zavo::platform
