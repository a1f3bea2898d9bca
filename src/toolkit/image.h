// An image control: shows the graphic of its picture at natural size from its top-left corner.
#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/zoomscaling.h"
#include "toolkit/control.h"

namespace zavo {

class TBitmap;
class TGraphic;
class TJPEGImage;
struct TDecodedPart;
class TPicture;

// The graphic as a bitmap: a bitmap shares its pixels, a JPEG object the bitmap it decodes to, any
// other graphic is drawn into a new one. Null for an empty graphic; drawing errors propagate.
std::unique_ptr<TBitmap> DrawnBitmap(TGraphic* graphic);
// The bitmap's pixels as a QImage, without a copy where Qt has the row layout; upsideDown tells
// that the image's first line is the picture's last. A null image when the bitmap has no pixels.
QImage BitmapImage(TBitmap& bitmap, bool& upsideDown);

class TImage : public TControl {
public:
    TImage(TForm* form, TControl* parent);
    ~TImage() override;

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) { autoSize_ = v; }
    // A JPEG graphic not yet decoded is decoded piece by piece, only where it is painted; the
    // pixels are those of a full decode. Anything else is rendered whole as usual.
    void SetDecodeOnDemand(bool v) { decodeOnDemand_ = v; }
    // Pixels of the picture decoded already elsewhere (exactly those its graphic decodes to), taken
    // instead of decoding that part on demand; dropped with the picture.
    void SetDecodedPart(std::shared_ptr<const TDecodedPart> part) { decodedPart_ = std::move(part); }

    // Changing the picture repaints the control; with AutoSize the control takes the size of a
    // graphic of at least 1 x 1.
    TPicture& Picture() { return *picture_; }

    // The pixels shown, upright, rendered from the graphic on first need and kept until the picture
    // changes. A graphic that cannot be drawn (a JPEG object without bytes) shows nothing.
    QImage ShownImage();
    // Paints the part r of the picture (control coordinates) with the painter.
    void PaintPart(class QPainter& painter, const QRect& r);

    // The scale the picture is painted at; with AutoSize the control takes the picture's shown size.
    // At 1:1 the control paints as it always has.
    platform::ZoomScale Zoom() const { return zoom_; }
    void SetZoom(platform::ZoomScale scale);
    // Reduced scales likely to be shown next (other levels, the preview): the pass over the picture
    // that makes one reduction makes these as well, and they are kept until the picture changes.
    void SetReductionsAhead(std::vector<platform::ZoomScale> scales) { ahead_ = std::move(scales); }
    // The part (shown coordinates, clipped to the shown picture) of the picture shown at scale,
    // blue-green-red: decoded and scaled from what that part needs only, except that a reduction
    // reads the whole picture once and keeps the result. A null image where nothing is shown.
    // Format_RGB32 instead gives the same pixels as a painter draws them without converting.
    QImage ZoomedPart(platform::ZoomScale scale, const QRect& part, QImage::Format format = QImage::Format_BGR888);
    // The same pixels of a part at 1:1 or enlarged, inside the shown picture, written straight into
    // blue-green-red-0xFF rows outStride bytes apart; false, with nothing written, for a reduction
    // or where nothing is shown.
    bool ZoomedPartInto(platform::ZoomScale scale, const QRect& part, uint8_t* out, ptrdiff_t outStride);
    // The whole picture shown at scale, from (0, 0).
    QRect ShownRect(platform::ZoomScale scale) const;

    // Changes the pixels as they are painted (not those ShownImage and ZoomedPart give): the tint
    // gets the scale, the shown position of the part's top-left pixel, and its blue-green-red rows
    // (first, stride, width, height) to change in place. An empty tint paints the picture as it is.
    using Tint = std::function<void(platform::ZoomScale scale, int left, int top, uint8_t* first, ptrdiff_t stride,
                                    int width, int height)>;
    void SetTint(Tint tint);

    bool SetProperty(const std::string& name, const LayoutValue& value) override;

private:
    void PictureChanged();
    void Render(bool allowOnDemand = true);
    bool StartOnDemand();
    // Decodes what the part r of the picture still lacks.
    void DecodeFor(const QRect& r);
    void DropOnDemand();
    // Gives back the pages of the tile rows used longest ago, outside rows keepFrom..keepTo, while
    // more rows are held than the limit.
    void LimitHeldBands(int keepFrom, int keepTo);
    // Gives back the pages of every tile decoded on demand.
    void ReturnHeldBands();
    // The picture reduced to size: a size below half the picture's is the half-size reduction of
    // it reduced again. A pass over the whole picture makes the sizes ahead not kept yet as well.
    QImage Reduced(QSize size);
    // The part r (inside the shown picture) at 1:1 or enlarged, as 3- or 4-byte pixels at out.
    bool EnlargedPart(platform::ZoomScale scale, const QRect& r, uint8_t* out, ptrdiff_t outStride,
                      int outBytesPerPixel);
    // Feeds every row of the full picture, top to bottom, to the reducers.
    bool FeedRows(std::vector<platform::AreaReducer>& reducers);
    // Lets the half-size reduction go, the largest kept.
    void DropHalfReduction();
    // The shown pixels as 24 or 32 bits per pixel; the first row and the step to the next.
    const uint8_t* Pixels(ptrdiff_t& stride, int& bytesPerPixel);

    std::unique_ptr<TPicture> picture_;
    // The bitmap whose pixels the shown image wraps: shares the picture's bitmap, or holds a
    // rendering of any other graphic.
    std::unique_ptr<TBitmap> rendered_;
    QImage shown_;
    bool upsideDown_ = false;  // shown_ wraps bottom-up rows: its first line is the picture's last
    bool stale_ = true;
    bool autoSize_ = false;
    bool decodeOnDemand_ = false;
    // While decoding on demand: the graphic, the 24-bit top-down rows shown_ wraps, and which
    // tiles of them hold decoded pixels.
    TJPEGImage* onDemand_ = nullptr;
    std::unique_ptr<uint8_t[]> partPixels_;  // kept for the next picture of the same size
    size_t partBytes_ = 0;
    int64_t partStride_ = 0;
    int tilesAcross_ = 0;
    std::vector<bool> tileDone_;
    // Per tile row of partPixels_: when it was last used, 0 once its pages are given back (or were
    // never written).
    std::vector<uint64_t> bandUsed_;
    uint64_t uses_ = 0;
    std::shared_ptr<const TDecodedPart> decodedPart_;
    QRect givenPart_;  // where the decoded part was copied to
    platform::ZoomScale zoom_;
    // Reductions kept until the picture changes: the one shown last and those ahead.
    std::vector<QImage> reductions_;
    std::vector<platform::ZoomScale> ahead_;
    Tint tint_;
};

}  // namespace zavo
