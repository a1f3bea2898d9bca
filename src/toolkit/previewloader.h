// Loads the open dialog's preview pictures on a worker thread, so that a large picture never holds
// up the dialog. Only the newest request counts: a request supersedes every earlier one, whose load
// either never starts or has its result dropped.
#pragma once

#include <QImage>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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

class PreviewLoader {
public:
    using LoadFunction = std::function<PreviewResult(const std::string& path)>;

    explicit PreviewLoader(LoadFunction load = LoadPreview);
    // Waits for the load in progress, if any, and stops the worker.
    ~PreviewLoader();
    PreviewLoader(const PreviewLoader&) = delete;
    PreviewLoader& operator=(const PreviewLoader&) = delete;

    // Asks for the preview of path and waits up to wait for it: the result when it came in time;
    // otherwise OnReady receives it later, unless a newer request or Cancel comes first.
    std::optional<PreviewResult> Request(const std::string& path, std::chrono::milliseconds wait);
    // Drops the pending request and any result not yet handed over.
    void Cancel();

    // Called on the user-interface thread, from its event loop, with a result that came late.
    std::function<void(PreviewResult&)> OnReady;

private:
    void Run();
    void Deliver();

    LoadFunction load_;
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t generation_ = 0;                 // of the newest request
    std::optional<std::string> pending_;      // the newest request, until the worker takes it
    std::optional<PreviewResult> done_;       // the newest request's result, until handed over
    bool stop_ = false;
    QObject receiver_;                        // lives on the user-interface thread
    std::thread worker_;
};

}  // namespace zavo
