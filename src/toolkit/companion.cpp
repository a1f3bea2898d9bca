#include "toolkit/companion.h"

#include <QObject>
#include <QWidget>

#include "toolkit/control.h"

namespace zavo {

namespace {

class Keeper : public QObject {
public:
    Keeper(QWidget* parent, const char* key, std::unique_ptr<TCompanion> companion)
        : QObject(parent), companion_(std::move(companion)) {
        setObjectName(QString::fromLatin1(key));
    }
    TCompanion* Companion() const { return companion_.get(); }

private:
    std::unique_ptr<TCompanion> companion_;
};

}  // namespace

TCompanion::TCompanion() : receiver_(std::make_unique<QObject>()) {}

// Deleting the receiver drops the calls still queued for it.
TCompanion::~TCompanion() = default;

void TCompanion::Deliver(std::function<void()> fn) {
    QMetaObject::invokeMethod(receiver_.get(), std::move(fn), Qt::QueuedConnection);
}

TCompanion* FindCompanion(TControl* control, const char* key) {
    auto* keeper = control->Widget()->findChild<Keeper*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
    return keeper ? keeper->Companion() : nullptr;
}

TCompanion& AdoptCompanion(TControl* control, const char* key, std::unique_ptr<TCompanion> companion) {
    return *(new Keeper(control->Widget(), key, std::move(companion)))->Companion();
}

}  // namespace zavo
