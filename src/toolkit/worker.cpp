#include "toolkit/worker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include "platform/threadpriority.h"
#include "toolkit/control.h"

namespace zavo {

namespace {

// The event that tells the user-interface thread a result has come. It carries nothing: the
// results are handed over under the worker's lock. (Qt's own locks are invisible to the thread
// sanitizer, so no data of ours crosses through them.)
QEvent::Type ResultsEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// Lives on the user-interface thread; the results events still queued die with it.
class Receiver : public QObject {
public:
    Receiver(std::mutex& handover, std::function<void()> onResults)
        : handover_(handover), onResults_(std::move(onResults)) {}

    bool event(QEvent* e) override {
        // A results event is made on the worker under the handover lock. Taking that lock before
        // reading the event shows the thread sanitizer what Qt's queue guarantees already.
        { std::lock_guard lock(handover_); }
        if (e->type() != ResultsEvent()) return QObject::event(e);
        onResults_();
        return true;
    }

private:
    std::mutex& handover_;
    std::function<void()> onResults_;
};

// Keeps a control's worker as a child of its widget, so that both go together.
class WorkerKeeper : public QObject {
public:
    WorkerKeeper(QWidget* parent, const char* key) : QObject(parent) { setObjectName(QString::fromLatin1(key)); }
    TWorker worker;
};

}  // namespace

TWorker::TWorker() : receiver_(std::make_unique<Receiver>(mutex_, [this] { ShowFinished(); })) {}

TWorker::~TWorker() {
    owner_.Check();
    std::unique_ptr<Task> pending;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending = std::move(pending_);
        if (running_) running_->stop.request_stop();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    // The finished tasks, and with them whatever their requests kept alive, go here, on this thread.
}

void TWorker::Submit(std::unique_ptr<Task> task) {
    owner_.Check();
    std::unique_ptr<Task> superseded;
    {
        std::lock_guard lock(mutex_);
        task->generation = ++generation_;
        superseded = std::move(pending_);
        if (running_) running_->stop.request_stop();
        pending_ = std::move(task);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    changed_.notify_all();
}

void TWorker::Cancel() {
    owner_.Check();
    std::unique_ptr<Task> superseded;
    std::vector<std::unique_ptr<Task>> finished;
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        superseded = std::move(pending_);
        if (running_) running_->stop.request_stop();
        finished.swap(finished_);
    }
    changed_.notify_all();
}

bool TWorker::ShowWithin(std::chrono::milliseconds wait) {
    owner_.Check();
    {
        std::unique_lock lock(mutex_);
        auto newestDone = [this] {
            for (const auto& t : finished_)
                if (t->generation == generation_) return true;
            return false;
        };
        auto newestQueued = [this] {
            return (pending_ && pending_->generation == generation_) || (running_ && running_->generation == generation_);
        };
        if (!newestDone() && !newestQueued()) return false;
        if (!changed_.wait_for(lock, wait, [&] { return newestDone(); })) return false;
    }
    return ShowFinished();
}

bool TWorker::ShowFinished() {
    std::vector<std::unique_ptr<Task>> finished;
    uint64_t newest = 0;
    {
        std::lock_guard lock(mutex_);
        finished.swap(finished_);
        newest = generation_;
    }
    bool shown = false;
    for (auto& task : finished) {
        if (task->generation == newest) shown = task->Deliver() || shown;
    }
    return shown;
}

void TWorker::Run() {
    platform::LowerThisThreadPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || pending_ != nullptr; });
        if (stopping_) return;
        running_ = std::move(pending_);
        Task* task = running_.get();
        lock.unlock();
        try {
            task->Work(task->stop.get_token());
        } catch (...) {
            task->DropResult();
        }
        lock.lock();
        if (task->generation != generation_) {
            // Freed here, where it was made, without holding up newer requests.
            lock.unlock();
            task->DropResult();
            lock.lock();
        }
        finished_.push_back(std::move(running_));
        changed_.notify_all();
        // Posting is safe from any thread; the receiver outlives this thread, which is joined first.
        QCoreApplication::postEvent(receiver_.get(), new QEvent(ResultsEvent()));
    }
}

TWorker& ControlWorker(TControl* control, const char* key) {
    QWidget* widget = control->Widget();
    auto* keeper = dynamic_cast<WorkerKeeper*>(
        widget->findChild<QObject*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly));
    if (keeper == nullptr) keeper = new WorkerKeeper(widget, key);
    return keeper->worker;
}

}  // namespace zavo
