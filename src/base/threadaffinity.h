// The thread an object belongs to: the one that made it. Objects whose methods must all run on the
// user-interface thread, or that must be dropped where they were made, check it in debug builds
// (the sanitizer builds among them); a release build checks nothing.
#pragma once

#include <cassert>
#include <thread>

namespace zavo {

class TThreadAffinity {
public:
    bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }
    void Check() const { assert(OnOwnerThread() && "called on a thread other than the one that made the object"); }

private:
    std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace zavo
