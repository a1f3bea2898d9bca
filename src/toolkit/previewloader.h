// Loads the open dialog's preview pictures on a worker thread, so that a large picture never holds
// up the dialog.
#pragma once

#include <QImage>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/worker.h"

namespace zavo {

class TPicture;

// The largest image a preview keeps: more than the preview box ever shows.
inline constexpr int kPreviewBound = 1024;

struct PreviewResult {
    std::string path;
    // Null when the path names no picture the program can open.
    std::unique_ptr<TPicture> picture;
    // The picture drawn, upright, reduced to kPreviewBound when larger.
    QImage image;
    // The picture loaded but could not be drawn.
    bool drawFailed = false;

    PreviewResult();
    ~PreviewResult();
    PreviewResult(PreviewResult&&) noexcept;
    PreviewResult& operator=(PreviewResult&&) noexcept;
};

// What a preview of the file needs: an existing file that is not a folder, loaded by its extension
// and drawn. Every failure is part of the result; nothing is thrown.
PreviewResult LoadPreview(const std::string& path);

// Loads previews on a worker (see TWorker); only the newest request counts.
class PreviewLoader {
public:
    using LoadFunction = std::function<PreviewResult(const std::string& path)>;

    explicit PreviewLoader(LoadFunction load = LoadPreview);

    // Asks for the preview of path and waits up to wait for it. OnReady receives the result on the
    // user-interface thread: before this returns true when it came in time, else later from the
    // event loop, unless a newer request or Cancel comes first.
    bool Request(const std::string& path, std::chrono::milliseconds wait);
    // Drops the pending request and any result not yet handed over.
    void Cancel();

    std::function<void(PreviewResult&)> OnReady;

private:
    LoadFunction load_;
    TWorker worker_;
};

}  // namespace zavo
