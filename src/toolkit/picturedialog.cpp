#include "toolkit/picturedialog.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "base/format.h"
#include "codec/picture.h"
#include "toolkit/fittedimage.h"
#include "toolkit/panel.h"
#include "toolkit/previewform.h"

namespace zavo {

namespace {

constexpr int kAreaWidth = 180;
constexpr int kLabelHeight = 23;
constexpr const char* kNone = "(なし)";
constexpr const char* kNoPicture = "画像:";

}  // namespace

PicturePreview::PicturePreview(QWidget* parent, PreviewLoader::LoadFunction load)
    : picturePanel_(new TPanel(parent)), loader_(std::move(load)) {
    picturePanel_->setObjectName(QStringLiteral("PicturePanel"));
    picturePanel_->SetBevelOuter(TBevel::None);
    picturePanel_->SetBorderWidth(6);
    picturePanel_->setFixedWidth(kAreaWidth);
    picturePanel_->setMinimumHeight(120);

    pictureLabel_ = new QLabel(picturePanel_);
    pictureLabel_->setObjectName(QStringLiteral("PictureLabel"));
    pictureLabel_->setTextFormat(Qt::PlainText);
    pictureLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    paintPanel_ = new TSilentPaintPanel(picturePanel_);
    paintPanel_->setObjectName(QStringLiteral("PaintPanel"));
    paintPanel_->SetBevelInner(TBevel::Raised);
    paintPanel_->SetBevelOuter(TBevel::Lowered);

    paintBox_ = new FittedImage(paintPanel_);
    paintBox_->setObjectName(QStringLiteral("PaintBox"));
    paintBox_->OnDoubleClick = [this] { ShowFullSize(); };

    previewButton_ = new QToolButton(picturePanel_);
    previewButton_->setObjectName(QStringLiteral("PreviewButton"));
    previewButton_->setIcon(QIcon(QStringLiteral(":/toolkit/PREVIEWGLYPH.xpm")));
    previewButton_->setIconSize(QSize(16, 16));
    previewButton_->setFixedSize(23, 22);
    previewButton_->setToolTip(QStringLiteral("プレビュー"));
    previewButton_->setEnabled(false);
    QObject::connect(previewButton_, &QToolButton::clicked, this, [this] { ShowFullSize(); });
    previewButton_->raise();

    picturePanel_->installEventFilter(this);
    loader_.OnReady = [this](PreviewResult& result) { Show(result); };
    // No picture; the label stays empty until the first selection.
    paintPanel_->SetCaption(kNone);
    Arrange();
}

PicturePreview::~PicturePreview() = default;

bool PicturePreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picturePanel_ && event->type() == QEvent::Resize) Arrange();
    return false;
}

void PicturePreview::Arrange() {
    const QRect inner = picturePanel_->contentsRect();
    pictureLabel_->setGeometry(inner.left(), inner.top(), inner.width(), kLabelHeight);
    paintPanel_->setGeometry(inner.left(), inner.top() + kLabelHeight, inner.width(), inner.height() - kLabelHeight);
    const int inset = paintPanel_->Inset();
    paintBox_->setGeometry(inset, inset, paintPanel_->width() - 2 * inset, paintPanel_->height() - 2 * inset);
    const QRect box = paintPanel_->geometry();
    previewButton_->move(box.left() + box.width() - previewButton_->width() - 2, 1);
}

void PicturePreview::SelectionChanged(const std::string& path) {
    if (path == remembered_) return;
    remembered_ = path;
    // The preview shows from OnReady, at once when it comes within the wait.
    if (!loader_.Request(path, kPreviewWait)) ShowLoading();
}

void PicturePreview::Show(PreviewResult& result) {
    if (!result.picture) {
        ShowNone();
        return;
    }
    picture_ = std::move(result.picture);
    pictureLabel_->setText(QString::fromStdString(Format(" (%dx%d)", picture_->Width(), picture_->Height())));
    previewButton_->setEnabled(true);
    paintPanel_->SetCaption(result.drawFailed ? TSilentPaintPanel::kBadPicture : "");
    paintBox_->SetImage(result.image);
}

void PicturePreview::ShowNone() {
    pictureLabel_->setText(QString::fromUtf8(kNoPicture));
    previewButton_->setEnabled(false);
    picture_.reset();
    paintBox_->Clear();
    paintPanel_->SetCaption(kNone);
}

void PicturePreview::ShowLoading() {
    ShowNone();
    paintPanel_->SetCaption("");
}

void PicturePreview::ShowFullSize() { ShowPreviewForm(picture_.get(), picturePanel_->window()); }

TOpenPictureDialog::~TOpenPictureDialog() = default;

void TOpenPictureDialog::Prepare(QFileDialog& dialog) {
    preview_ = std::make_unique<PicturePreview>(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(preview_->PicturePanel(), 0, grid->columnCount(), grid->rowCount(), 1);
        grid->setColumnStretch(grid->columnCount() - 1, 0);
    }
    PicturePreview* preview = preview_.get();
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) { preview->SelectionChanged(QFile::encodeName(path).toStdString()); });
    // A typed name selects as well as a click in the list does.
    if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        QFileDialog* shown = &dialog;
        QObject::connect(edit, &QLineEdit::textChanged, preview, [preview, shown](const QString& text) {
            // A file named as typed counts at once: the dialog's own selection lags behind while a
            // folder typed into the name is still being listed, and may never catch up.
            QString typed = QDir::isAbsolutePath(text) ? text : shown->directory().absoluteFilePath(text);
            if (!text.isEmpty() && QFileInfo(typed).isFile()) {
                preview->SelectionChanged(QFile::encodeName(QDir::cleanPath(typed)).toStdString());
                return;
            }
            const QStringList selected = shown->selectedFiles();
            if (!selected.isEmpty()) preview->SelectionChanged(QFile::encodeName(selected.first()).toStdString());
        });
    }
}

void TOpenPictureDialog::Finished() { preview_.reset(); }

}  // namespace zavo
