#include "toolkit/previewform.h"

#include <QDialog>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>

#include "codec/bitmap.h"
#include "codec/picture.h"
#include "toolkit/colours.h"
#include "toolkit/fittedimage.h"
#include "toolkit/image.h"
#include "toolkit/modal.h"
#include "toolkit/panel.h"

namespace zavo {

QSize PreviewFormClientSize(const QSize& client, const QSize& picture, const QSize& panelClient,
                            const QSize& monitor) {
    if (picture.width() <= 0) return client;
    return {std::min(monitor.width() * 3 / 4, client.width() + picture.width() - panelClient.width() + 10),
            std::min(monitor.height() * 3 / 4, client.height() + picture.height() - panelClient.height() + 10)};
}

namespace {

class PreviewForm : public QDialog {
public:
    PreviewForm(TPicture* source, QWidget* parent)
        : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
        setObjectName(QStringLiteral("PreviewForm"));
        setWindowTitle(QStringLiteral("プレビュー"));
        setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        panel_ = new TPanel(this);
        panel_->setObjectName(QStringLiteral("Panel"));
        panel_->SetBevelOuter(TBevel::None);
        panel_->SetSingleBorder(true);
        panel_->SetBorderWidth(5);
        panel_->SetColor(ColorFromIdent("clWindow"));
        layout->addWidget(panel_);
        auto* inner = new QVBoxLayout(panel_);
        inner->setContentsMargins(0, 0, 0, 0);
        image_ = new FittedImage(panel_);
        image_->setObjectName(QStringLiteral("Image"));
        inner->addWidget(image_);
        resize(kNewWindowClientSize);
        picture_.AssignFrom(source);
        Fit();
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) close();
        else QDialog::keyPressEvent(e);
    }

private:
    void Fit() {
        const QRect monitor = ActiveMonitor();
        layout()->activate();
        const QSize panelClient = panel_->ClientSize();
        resize(PreviewFormClientSize(kNewWindowClientSize, QSize(picture_.Width(), picture_.Height()), panelClient,
                                     monitor.size()));
        move(PlaceOnMonitor(monitor, size(), 2));
        try {
            if (std::unique_ptr<TBitmap> bitmap = DrawnBitmap(picture_.Graphic())) {
                bool upsideDown = false;
                const QImage pixels = BitmapImage(*bitmap, upsideDown);
                image_->SetImage(UprightImage(pixels, upsideDown, monitor.size()));
            }
        } catch (const std::exception&) {
            // A picture that cannot be drawn leaves the window empty, as the dialog's preview does.
            image_->Clear();
        }
    }

    TPicture picture_;
    TPanel* panel_;
    FittedImage* image_;
};

}  // namespace

void ShowPreviewForm(TPicture* picture, QWidget* parent) {
    ModalScope scope;
    PreviewForm form(picture, parent);
    form.exec();
}

}  // namespace zavo
