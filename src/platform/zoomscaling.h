// Zoomed views of a picture: each pixel enlarged to a square of screen pixels, or the picture
// reduced by averaging the area of it that each screen pixel covers, so that two pictures reduced
// alike differ only where their pixels do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zavo::platform {

// A picture shown at num:den. Enlarged: den is 1 and each picture pixel becomes a num x num square.
// Reduced: num < den, and a side of n pixels is shown as n * num / den pixels (at least 1).
struct ZoomScale {
    int num = 1;
    int den = 1;
    bool Enlarges() const { return den == 1 && num > 1; }
    bool Reduces() const { return num < den; }
    bool operator==(const ZoomScale&) const = default;
};

// The shown length of a picture side of length pixels, in 64 bits: enlargement can pass 32.
int64_t ShownLength(int length, ZoomScale scale);
// A shown coordinate of the side of length pixels as a picture coordinate, and back.
double ToPicture(double shown, int length, ZoomScale scale);
double ToShown(double picture, int length, ZoomScale scale);

// Reduces a picture fed row by row, top to bottom, to a smaller one: each output pixel is the
// rounded mean of the picture area it covers, partly covered pixels counting by their covered share.
// Input rows are blue-green-red, or blue-green-red-unused with bytesPerPixel 4; output rows are
// blue-green-red, written as soon as every input row they cover has come.
class AreaReducer {
public:
    AreaReducer(int width, int height, int bytesPerPixel, int outWidth, int outHeight, uint8_t* out,
                ptrdiff_t outStride);
    // Hands each output row to the sink as it is made instead of keeping it, so that a reduction
    // can feed another without the picture between them ever being held.
    using RowSink = std::function<void(const uint8_t* row)>;
    AreaReducer(int width, int height, int bytesPerPixel, int outWidth, int outHeight, RowSink sink);
    void AddRow(const uint8_t* row);
    // For a reducer made before the row format was known (bytesPerPixel 0).
    void SetBytesPerPixel(int bytesPerPixel) { bytesPerPixel_ = bytesPerPixel; }

private:
    void EmitRow(int y);

    int width_, height_, bytesPerPixel_, outWidth_, outHeight_;
    uint8_t* out_;
    ptrdiff_t outStride_;
    RowSink sink_;
    std::vector<uint8_t> sinkRow_;
    int nextRow_ = 0;
    int currentOut_ = 0;
    // For each input column: the output column it starts in and its share of it; the rest of its
    // width falls in the next output column.
    std::vector<int> columnOut_;
    std::vector<uint32_t> columnShare_;
    std::vector<uint64_t> rowSums_;
    std::vector<uint64_t> current_, next_;
};

// Writes width x height enlarged pixels, blue-green-red, whose top-left one is the shown pixel
// (shownLeft, shownTop) of a picture enlarged factor times: each takes the picture pixel it lies on.
// first is the picture's top-left pixel and stride the distance from a row to the one below it
// (negative for bottom-up rows); the caller keeps every pixel read within the picture. With
// outBytesPerPixel 4 the pixels are blue-green-red-0xFF, as a painter takes them without converting.
void Enlarge(const uint8_t* first, ptrdiff_t stride, int bytesPerPixel, int factor, int shownLeft, int shownTop,
             int width, int height, uint8_t* out, ptrdiff_t outStride, int outBytesPerPixel = 3);

}  // namespace zavo::platform
