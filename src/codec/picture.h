// The picture container: holds at most one graphic, loads a file with the graphic class its
// extension is registered for, copies, and turns itself into a bitmap on request.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/persistent.h"
#include "codec/graphic.h"

namespace zavo {

class TBitmap;

class TPicture : public TPersistent {
public:
    TPicture();
    virtual ~TPicture();

    // Replaces the graphic by one read from the file. EInvalidGraphic
    // "拡張子 .%s の画像形式は処理できません" (the extension as written) when no class is registered
    // for the extension; EFOpenError "ファイル %s は開けません" when the file cannot be opened; the
    // reader's own errors otherwise. On any failure the picture keeps its graphic.
    void LoadPictureFile(const std::string& path);

    // Null: no graphic. A TPicture: its graphic is copied. A graphic: a new graphic of its exact
    // class copies it with its own AssignFrom; when that fails the picture keeps its graphic.
    void AssignFrom(TPersistent* source) override;

    // The graphic when it is a bitmap; otherwise the graphic is replaced by a new empty bitmap.
    TBitmap* AsBitmap();

    TGraphic* Graphic() const { return graphic_.get(); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Called with the picture whenever its graphic is replaced or reports a change.
    std::function<void(TPicture*)> OnChange;
    // Handed to every graphic the picture creates.
    TProgressEvent OnProgress;

private:
    void Hold(std::unique_ptr<TGraphic> graphic);
    void Attach(TGraphic& graphic);
    void Changed();

    std::unique_ptr<TGraphic> graphic_;
};

}  // namespace zavo
