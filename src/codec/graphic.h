// The abstract graphic: what a picture container needs to create, load, copy, measure and draw a
// bitmap, icon, metafile or JPEG image without knowing its class. The virtual operations keep one
// order in every graphic class (the copy slots come from TPersistent).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "base/persistent.h"
#include "codec/graphictypes.h"
#include "platform/palette.h"

namespace zavo {

class TCanvas;
class TGraphic;
class TMemoryStream;
class TStream;

enum class TProgressStage { StageStarting, StageRunning, StageEnding };

using TProgressEvent = std::function<void(TGraphic* Sender, TProgressStage Stage, uint8_t PercentDone,
                                          bool RedrawNow, const TRect& R, const std::string& Msg)>;

class TGraphic : public TPersistent {
public:
    TGraphic() = default;

    // Slot 0 (CopyInto) is TPersistent's generic copy failure.
    // Slot 1: declares the binary property "Data" (ReadEmbedded / WriteEmbedded).
    void DeclareEmbedded(TFiler& filer) override;
    // Slot 2: asks the source's CopyInto with this graphic as target.
    void AssignFrom(TPersistent* source) override;
    // Slot 3: no interfaces are offered; always null.
    virtual void* QueryInterface(const std::type_info& type);
    // Slot 4: sets the modified flag, then calls OnChange.
    virtual void NotifyChanged();
    virtual void DrawOn(TCanvas& canvas, const TRect& rect) = 0;
    // Equal when both are empty, or of the same class with identical WriteEmbedded output.
    virtual bool SameContent(TGraphic* other);
    virtual bool IsEmpty() const = 0;
    virtual int Height() const = 0;
    virtual platform::PaletteHandle Palette() const;
    virtual bool Transparent() const;
    virtual int Width() const = 0;
    virtual void ReadEmbedded(TStream& stream);
    virtual void SetHeight(int value) = 0;
    virtual void SetPalette(platform::PaletteHandle palette);
    // Stores the flag; NotifyChanged only when it differs.
    virtual void SetTransparent(bool value);
    virtual void SetWidth(int value) = 0;
    virtual void WriteEmbedded(TStream& stream);
    // Slot 18, the virtual constructor: a new empty graphic of this object's class.
    virtual std::unique_ptr<TGraphic> NewInstance() const = 0;
    // EFOpenError "ファイル %s は開けません" when the file cannot be opened.
    virtual void LoadFile(const std::string& path);
    // EFCreateError "ファイル %s を作成できません" when the file cannot be created.
    virtual void SaveFile(const std::string& path);
    virtual void LoadStream(TStream& stream) = 0;
    virtual void SaveStream(TStream& stream) = 0;
    // Clipboard data: a format number and its bytes. Nothing in zavo uses the clipboard.
    virtual void LoadClipboard(uint16_t format, TMemoryStream& data, platform::PaletteHandle palette) = 0;
    virtual void SaveClipboard(uint16_t& format, TMemoryStream& data, platform::PaletteHandle& palette) = 0;

    virtual ~TGraphic() = default;

    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    bool PaletteModified() const { return paletteModified_; }
    void SetPaletteModified(bool value) { paletteModified_ = value; }

    // Calls OnProgress when one is set.
    void ReportProgress(TProgressStage stage, uint8_t percentDone, bool redrawNow, const TRect& r,
                        const std::string& message);

    // Called with this graphic after every change.
    std::function<void(TGraphic*)> OnChange;
    TProgressEvent OnProgress;

protected:
    bool transparent_ = false;

private:
    bool modified_ = false;
    bool paletteModified_ = false;
};

}  // namespace zavo
