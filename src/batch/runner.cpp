#include "batch/runner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "batch/filejob.h"
#include "batch/report.h"

namespace zavo::batch {

namespace {

constexpr int kBarWidth = 30;

std::string Canonical(const std::string& path) {
    std::error_code ignored;
    std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored);
    return p.empty() ? path : p.string();
}

// Two files of one command line must not write one result, and no result may replace a file that
// another job is reading.
std::vector<std::string> Conflicts(const std::vector<std::string>& sources, const std::vector<std::string>& targets) {
    std::map<std::string, size_t> sourceAt, targetAt;
    for (size_t i = 0; i < sources.size(); ++i) sourceAt.emplace(Canonical(sources[i]), i);
    std::vector<std::string> conflicts(sources.size());
    for (size_t i = 0; i < targets.size(); ++i) {
        std::string key = Canonical(targets[i]);
        if (auto s = sourceAt.find(key); s != sourceAt.end())
            conflicts[i] = targets[i] + " is the source " + (s->second == i ? "itself" : sources[s->second]);
        else if (auto [t, fresh] = targetAt.emplace(key, i); !fresh)
            conflicts[i] = targets[i] + " is also the result of " + sources[t->second];
    }
    return conflicts;
}

class Printer {
public:
    Printer(const BatchOptions& options, std::FILE* out, std::FILE* err, bool progress)
        : options_(options), out_(out), err_(err), progress_(progress), results_(options.files.size()) {
        Bar();
    }

    void Done(size_t index, FileResult result) {
        std::lock_guard lock(mutex_);
        results_[index] = std::move(result);
        ++done_;
        ClearBar();
        for (; next_ < results_.size() && results_[next_]; ++next_) Print(*results_[next_]);
        Bar();
        if (done_ == results_.size()) ClearBar();
    }

    bool AllOk() const {
        for (const auto& r : results_)
            if (!r || !r->ok) return false;
        return true;
    }

private:
    void Print(const FileResult& r) {
        if (!r.ok || !r.warning.empty()) std::fprintf(err_, "%s\n", ErrorLine(r).c_str());
        if (options_.json) std::fprintf(out_, "%s\n", JsonLine(r).c_str());
        else if (r.ok) std::fprintf(out_, "%s\n", TextLine(r).c_str());
        std::fflush(out_);
    }
    void Bar() {
        if (!progress_) return;
        std::fprintf(err_, "\r%s", ProgressBar(done_, results_.size(), kBarWidth).c_str());
        std::fflush(err_);
    }
    void ClearBar() {
        if (!progress_) return;
        std::fprintf(err_, "\r\033[K");
        std::fflush(err_);
    }

    const BatchOptions& options_;
    std::FILE* out_;
    std::FILE* err_;
    bool progress_;
    std::mutex mutex_;
    std::vector<std::optional<FileResult>> results_;
    size_t next_ = 0;
    size_t done_ = 0;
};

// Flushes and renames the files the jobs wrote, one after another on a thread of its own: the disk
// confirms each write while the jobs go on compressing. Jobs wait while a few files are pending,
// which bounds the files held open.
class Committer {
public:
    Committer(Printer& printer, size_t pendingLimit)
        : printer_(printer), limit_(pendingLimit), thread_([this] { Loop(); }) {}
    ~Committer() { Finish(); }

    // Returns once every file added is committed and reported.
    void Finish() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void Add(size_t index, FileJob job) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pending_.size() < limit_; });
        pending_.emplace_back(index, std::move(job));
        changed_.notify_all();
    }

private:
    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return closed_ || !pending_.empty(); });
            if (pending_.empty()) return;
            auto [index, job] = std::move(pending_.front());
            pending_.pop_front();
            changed_.notify_all();
            lock.unlock();
            printer_.Done(index, CommitFileJob(std::move(job)));
            lock.lock();
        }
    }

    Printer& printer_;
    const size_t limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<size_t, FileJob>> pending_;
    bool closed_ = false;
    std::thread thread_;
};

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* out, std::FILE* err, bool progress) {
    const std::vector<std::string>& files = options.files;
    // A folder that cannot be made shows as each file's failure to create its result.
    std::error_code ignored;
    if (!options.outputDir.empty()) std::filesystem::create_directories(options.outputDir, ignored);
    std::vector<std::string> targets;
    for (const std::string& f : files) targets.push_back(TargetFor(f, options.outputDir));
    const std::vector<std::string> conflicts = Conflicts(files, targets);

    size_t threads = options.jobs > 0 ? size_t(options.jobs) : std::max(1u, std::thread::hardware_concurrency());
    const size_t allowed = threads;
    threads = std::min(threads, files.size());

    Printer printer(options, out, err, progress);
    Committer committer(printer, std::max<size_t>(2 * threads, 1));
    std::atomic<size_t> next{0};
    // Threads that --jobs allows but no file needs (fewer files than jobs, or a worker that ran out
    // of files): a job takes one, when there is one, to measure its result aside.
    std::atomic<size_t> spare{allowed - threads};
    auto takeSpare = [&] {
        size_t s = spare.load();
        while (s > 0)
            if (spare.compare_exchange_weak(s, s - 1)) return true;
        return false;
    };
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < files.size();) {
            if (!conflicts[i].empty()) {
                FileResult refused;
                refused.source = files[i];
                refused.target = targets[i];
                refused.error = conflicts[i];
                printer.Done(i, std::move(refused));
                continue;
            }
            bool aside = takeSpare();
            FileJob job = PrepareFileJob(files[i], targets[i], options, aside);
            if (aside) spare.fetch_add(1);
            if (job.output) committer.Add(i, std::move(job));
            else printer.Done(i, std::move(job.result));
        }
        spare.fetch_add(1);
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    committer.Finish();
    return printer.AllOk() ? 0 : 1;
}

}  // namespace zavo::batch
