#include "codec/canvas.h"

#include <algorithm>
#include <vector>

#include "base/exceptions.h"
#include "codec/bitmap.h"
#include "codec/graphic.h"

namespace zavo {

namespace {

// Every canvas, and the bitmap canvases that hold an open context.
std::mutex gCanvasListLock;
std::vector<TCanvas*> gCanvases;
std::mutex gBitmapCanvasListLock;
std::vector<TBitmapCanvas*> gBitmapCanvases;

template <typename T>
void Remove(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

platform::Rect ToRect(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

}  // namespace

TCanvas::TCanvas() {
    std::lock_guard guard(gCanvasListLock);
    gCanvases.push_back(this);
}

TCanvas::~TCanvas() {
    std::lock_guard guard(gCanvasListLock);
    Remove(gCanvases, this);
}

platform::DeviceContext& TCanvas::Handle() {
    if (!dc_) {
        std::lock_guard guard(lock_);
        CreateHandle();
        if (!dc_) throw EInvalidOperation(msg::NoCanvasHandle);
    }
    return *dc_;
}

void TCanvas::SetHandle(std::unique_ptr<platform::DeviceContext> dc) { dc_ = std::move(dc); }

void TCanvas::RequireDrawingTools() {
    platform::DeviceContext& dc = Handle();
    dc.SetBackgroundColor(ColorToRGB(brush_.Color()));
    dc.SetBackgroundMode(brush_.Style() == TBrushStyle::Clear ? platform::BackgroundMode::Transparent
                                                              : platform::BackgroundMode::Opaque);
    dc.SetTextColor(ColorToRGB(font_.Color()));
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

void TCanvas::DrawGraphic(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->IsEmpty()) return;
    Changing();
    platform::DeviceContext& dc = Handle();
    dc.SetBackgroundColor(ColorToRGB(brush_.Color()));
    dc.SetTextColor(ColorToRGB(font_.Color()));
    graphic->DrawOn(*this, Rect(x, y, x + graphic->Width(), y + graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic) return;
    Changing();
    RequireDrawingTools();
    graphic->DrawOn(*this, rect);
    Changed();
}

void TCanvas::FillRect(const TRect& rect) {
    Changing();
    RequireDrawingTools();
    if (brush_.Style() == TBrushStyle::Solid) dc_->FillRect(ToRect(rect), ColorToRGB(brush_.Color()));
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    Changing();
    RequireDrawingTools();
    platform::Size extent = dc_->TextOut(x, y, text, font_.Attributes());
    penPos_ = {x + extent.width, y};
    Changed();
}

platform::Size TCanvas::TextExtent(const std::string& text) { return Handle().TextExtent(text, font_.Attributes()); }

TColor TCanvas::Pixel(int x, int y) {
    platform::DeviceContext& dc = Handle();
    return dc.Target() ? static_cast<TColor>(dc.Target()->Pixel(x, y)) : clBlack;
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    Changing();
    platform::DeviceContext& dc = Handle();
    if (dc.Target()) dc.Target()->SetPixel(x, y, ColorToRGB(color));
    Changed();
}

TBitmapCanvas::TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}

TBitmapCanvas::~TBitmapCanvas() { CloseHandle(); }

void TBitmapCanvas::CreateHandle() {
    std::lock_guard guard(CanvasLock());
    if (HandleAllocated()) return;
    bitmap_->MakeReady();
    platform::Surface* surface = bitmap_->image_->Handle();
    if (surface) {
        // A surface is open in one context at a time.
        std::vector<TBitmapCanvas*> holders;
        {
            std::lock_guard listGuard(gBitmapCanvasListLock);
            for (TBitmapCanvas* c : gBitmapCanvases)
                if (c != this && c->HandleIfAllocated() && c->HandleIfAllocated()->Target() == surface) holders.push_back(c);
        }
        for (TBitmapCanvas* c : holders) c->CloseHandle();
    }
    platform::PaletteHandle palette = bitmap_->image_->Palette();
    if (!palette && surface && surface->IsDib() && surface->BitCount() <= 8)
        palette = platform::PaletteFromColorTable(surface->Colors());
    auto dc = std::make_unique<platform::DeviceContext>();
    oldSurface_ = dc->SelectSurface(surface);
    oldPalette_ = dc->SelectPalette(std::move(palette));
    SetHandle(std::move(dc));
    std::lock_guard listGuard(gBitmapCanvasListLock);
    gBitmapCanvases.push_back(this);
}

void TBitmapCanvas::CloseHandle() {
    std::lock_guard guard(CanvasLock());
    platform::DeviceContext* dc = HandleIfAllocated();
    if (!dc) return;
    dc->SelectSurface(oldSurface_);
    dc->SelectPalette(std::move(oldPalette_));
    oldSurface_ = nullptr;
    SetHandle(nullptr);
    std::lock_guard listGuard(gBitmapCanvasListLock);
    Remove(gBitmapCanvases, this);
}

}  // namespace zavo
