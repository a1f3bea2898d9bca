// Drawing surfaces with a font, pen and brush. TCanvas draws through a device context that a derived
// class makes on demand (CreateHandle); TBitmapCanvas draws on a bitmap and tells it before and after
// every drawing, so that a shared image is copied first and the change is signalled after.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "codec/drawtools.h"
#include "codec/graphictypes.h"
#include "platform/devicecontext.h"

namespace zavo {

class TBitmap;
class TGraphic;

class TCanvas {
public:
    TCanvas();
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TFont& Font() { return font_; }
    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    // Where the last text ended.
    TPoint PenPos() const { return penPos_; }

    // Draws the graphic at its own size with its top-left corner at x, y. Nothing happens, and no
    // callback runs, when the graphic is absent or empty.
    void DrawGraphic(int x, int y, TGraphic* graphic);
    // Draws the graphic into the rectangle (an empty one is still asked to draw).
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    // Fills the rectangle with the brush.
    void FillRect(const TRect& rect);
    // Text with the top-left of its first character cell at x, y; on the brush colour unless the
    // brush is clear. Moves the pen position to the end of the text.
    void TextOut(int x, int y, const std::string& text);
    platform::Size TextExtent(const std::string& text);
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // The device context, made on first need; EInvalidOperation "Canvas に対する描画ができません"
    // when none can be made.
    platform::DeviceContext& Handle();
    bool HandleAllocated() const { return dc_ != nullptr; }
    // Brings the context's colours and modes up to date with the font, pen and brush.
    void RequireDrawingTools();

    // Before and after each drawing.
    virtual void Changing();
    virtual void Changed();

    std::function<void(TCanvas*)> OnChange;
    std::function<void(TCanvas*)> OnChanging;

protected:
    // Makes the device context (SetHandle); leaves none when it cannot.
    virtual void CreateHandle() = 0;
    // Installs or removes the context; the canvas owns it.
    void SetHandle(std::unique_ptr<platform::DeviceContext> dc);
    platform::DeviceContext* HandleIfAllocated() { return dc_.get(); }
    std::recursive_mutex& CanvasLock() { return lock_; }

private:
    TFont font_;
    TPen pen_;
    TBrush brush_;
    TPoint penPos_;
    std::unique_ptr<platform::DeviceContext> dc_;
    std::recursive_mutex lock_;
};

// The canvas of a bitmap. Its context holds the bitmap's surface while open; a surface is open in
// one bitmap canvas at a time.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap);
    ~TBitmapCanvas() override;

    TBitmap* Bitmap() const { return bitmap_; }
    // Restores what the context displaced, deletes it and leaves the list of open bitmap canvases.
    void CloseHandle();

protected:
    void CreateHandle() override;

private:
    TBitmap* bitmap_;
    platform::Surface* oldSurface_ = nullptr;
    platform::PaletteHandle oldPalette_;
};

}  // namespace zavo
