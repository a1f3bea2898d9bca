// State kept alongside one control for as long as the control lives, which worker threads can hand
// results back through: these run later on the user-interface thread, and never once it is gone.
#pragma once

#include <functional>
#include <memory>

class QObject;

namespace zavo {

class TControl;

class TCompanion {
public:
    TCompanion(const TCompanion&) = delete;
    TCompanion& operator=(const TCompanion&) = delete;
    virtual ~TCompanion();

protected:
    TCompanion();
    // May be called from any thread. A derived class stops its threads in its own destructor, so that
    // nothing calls this while the base is being destroyed.
    void Deliver(std::function<void()> fn);

private:
    std::unique_ptr<QObject> receiver_;
};

// The companion control keeps under key, or null. Called on the user-interface thread only.
TCompanion* FindCompanion(TControl* control, const char* key);
// Gives companion to control, which destroys it with its window.
TCompanion& AdoptCompanion(TControl* control, const char* key, std::unique_ptr<TCompanion> companion);

}  // namespace zavo
