// Background compression of a picture at the qualities the user is likely to pick next, so that
// picking one of them costs no compression on the user-interface thread.
//
// The object is made, used and destroyed on the user-interface thread; its public methods check
// this in debug builds. The workers run at the lowest priority and touch only the pixel memory of a
// picture this object keeps alive (TKeptPicture) and streams they hand over under the lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "base/streams.h"
#include "base/threadaffinity.h"
#include "codec/bitmap.h"
#include "codec/jpegbackground.h"
#include "codec/jpegimage.h"
#include "codec/keptpicture.h"

namespace zavo {

class TPrecompute {
public:
    explicit TPrecompute(unsigned workers);
    ~TPrecompute();
    TPrecompute(const TPrecompute&) = delete;
    TPrecompute& operator=(const TPrecompute&) = delete;

    // compressed has just been given bytes from its bitmap at its Quality: they are kept, and the
    // workers compress the same bitmap with the same settings at qualities, in that order, except
    // those already made, and decode the part view of each result as a JPEG image with the default
    // settings decodes it. A bitmap or settings other than those of the previous call first drop
    // all that was made or is under way.
    void Schedule(const TJPEGImage& compressed, const std::vector<uint8_t>& qualities, const TRect& view);
    // Forgets the picture: what was made is dropped, what is under way stops and is discarded, and
    // its memory is freed once the workers have let go of it (a matter of a few rows).
    void Cancel();
    // Gives target the bytes made from its own bitmap at its Quality and settings, and part the
    // decoded part of them when there is one (else null); false when there are no such bytes yet,
    // and target is unchanged.
    bool Use(TJPEGImage& target, std::shared_ptr<const TDecodedPart>* part = nullptr);
    // Waits until nothing is queued or under way (tests and benchmarks).
    void WaitIdle();

private:
    // The picture the workers read: its pixel memory and the settings its bytes depend on.
    struct Picture {
        const platform::Surface* pixels = nullptr;
        bool gray = false;
        bool progressive = false;
        std::shared_ptr<const TMetadata> metadata;
        std::atomic<bool> stop{false};
        int users = 0;  // workers reading the pixels; guarded by mutex_
    };
    struct Held {
        std::unique_ptr<TKeptPicture> keepAlive;
        std::shared_ptr<Picture> picture;
    };
    struct Task {
        std::shared_ptr<Picture> picture;
        uint8_t quality = 0;
        TRect view;
    };
    struct Made {
        std::unique_ptr<TMemoryStream> bytes;
        std::shared_ptr<const TDecodedPart> part;
    };

    bool Matches(const TJPEGImage& image) const;
    // Frees the kept pixels of earlier pictures that no worker reads any more.
    void Sweep();
    void Work();

    TThreadAffinity owner_;
    Held current_;
    std::vector<Held> retired_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Task> queue_;
    std::set<uint8_t> running_;  // qualities of the current picture under way
    std::map<uint8_t, Made> made_;  // of the current picture
    const Picture* madeFor_ = nullptr;
    int busy_ = 0;  // workers compressing, for any picture
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace zavo
