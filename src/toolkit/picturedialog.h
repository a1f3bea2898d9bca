// The open dialog with a picture preview: a panel right of the dialog's standard controls shows
// the selected picture's size and the picture fitted into a box, and opens the full-size preview.
#pragma once

#include <QObject>

#include <chrono>
#include <memory>
#include <string>

#include "toolkit/filedialogs.h"
#include "toolkit/previewloader.h"

class QLabel;
class QToolButton;

namespace zavo {

class FittedImage;
class TPanel;
class TPicture;
class TSilentPaintPanel;

// A selection whose preview takes longer than this is finished in the background.
inline constexpr std::chrono::milliseconds kPreviewWait{100};

class PicturePreview : public QObject {
public:
    // Builds the area as a child of parent, showing no picture and an empty label. load stands in
    // for the preview load in tests.
    explicit PicturePreview(QWidget* parent, PreviewLoader::LoadFunction load = LoadPreview);
    ~PicturePreview() override;

    // The area's parts, by their component names.
    TPanel* PicturePanel() const { return picturePanel_; }
    QLabel* PictureLabel() const { return pictureLabel_; }
    QToolButton* PreviewButton() const { return previewButton_; }
    TSilentPaintPanel* PaintPanel() const { return paintPanel_; }
    FittedImage* PaintBox() const { return paintBox_; }

    // The dialog's selection changed to path. The same name as last time changes nothing; any other
    // is previewed when it names a picture file the program opens, which shows its size, the picture
    // and the preview button; otherwise "画像:" and "(なし)". No failure reaches the error box.
    void SelectionChanged(const std::string& path);
    // The picture previewed now, if any.
    TPicture* Picture() const { return picture_.get(); }
    // Opens the full-size preview of the picture (an empty window without one).
    void ShowFullSize();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Arrange();
    void Show(PreviewResult& result);
    void ShowNone();
    void ShowLoading();

    TPanel* picturePanel_;
    QLabel* pictureLabel_;
    QToolButton* previewButton_;
    TSilentPaintPanel* paintPanel_;
    FittedImage* paintBox_;
    std::string remembered_;
    std::unique_ptr<TPicture> picture_;
    PreviewLoader loader_;
};

class TOpenPictureDialog : public TOpenDialog {
public:
    using TOpenDialog::TOpenDialog;
    ~TOpenPictureDialog() override;

    // The preview area while the dialog is up.
    PicturePreview* Preview() const { return preview_.get(); }

protected:
    void Prepare(QFileDialog& dialog) override;
    void Finished() override;

private:
    std::unique_ptr<PicturePreview> preview_;
};

}  // namespace zavo
