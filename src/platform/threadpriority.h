// Scheduling of the program's own worker threads.
#pragma once

namespace zavo::platform {

// Makes the calling thread run only when no other thread wants its processor, so that background
// work never delays the user-interface thread. Where the system refuses the idle class, the thread
// gets the lowest ordinary priority instead; a refusal of that too is harmless and ignored.
void LowerThisThreadPriority();

}  // namespace zavo::platform
