// An image decoding its JPEG on demand decodes it in square tiles of 64 pixels; whatever part is
// painted, every pixel painted is a decoded one, also where the part begins or ends exactly on a
// tile's edge and where the picture itself ends on one, and after rows far away were given back.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <memory>
#include <string>
#include <vector>

#include "codec/jpegbitmaps.h"
#include "codec/picture.h"
#include "support/testutil.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/image.h"

using namespace zavo;
using namespace zavotest;

namespace {

class ImageTiles : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "tiles";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<TApplication>(argc, argv);
    }

    // A fresh image control showing the bytes, nothing decoded yet.
    TImage* FreshImage(const std::vector<uint8_t>& bytes) {
        TForm* form = app->CreateForm<TForm>();
        form->LoadLayout("window w\n ClientWidth 300\n ClientHeight 200\n TImage i\n end\nend\n", handlers);
        auto* image = form->Get<TImage>("i");
        image->SetDecodeOnDemand(true);
        TJPEGImage jpeg;
        LoadBytes(jpeg, bytes);
        image->Picture().AssignFrom(&jpeg);
        return image;
    }

    std::unique_ptr<TApplication> app;
    THandlerTable handlers;
};

// Paints each area in turn on a canvas of a colour no decoded pixel has, and compares every pixel
// painted with the full decode; describes the first that differs, empty when all agree.
std::string PaintAndCompare(TImage& image, const std::vector<QRect>& areas, const std::vector<uint8_t>& full,
                            int width) {
    for (const QRect& area : areas) {
        QImage canvas(area.right() + 1, area.bottom() + 1, QImage::Format_RGB32);
        canvas.fill(qRgb(1, 254, 3));
        QPainter painter(&canvas);
        image.PaintPart(painter, area);
        painter.end();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const uint8_t* bgr = &full[(static_cast<size_t>(y) * width + x) * 3];
                if (canvas.pixel(x, y) != qRgb(bgr[2], bgr[1], bgr[0]))
                    return "pixel " + std::to_string(x) + "," + std::to_string(y) + " of the area at " +
                           std::to_string(area.left()) + "," + std::to_string(area.top()) + " is not decoded";
            }
    }
    return {};
}

}  // namespace

TEST_F(ImageTiles, PartsEndingOnATileEdgeArePaintedDecoded) {
    // One picture whose size is a whole number of tiles, one whose last tiles are cut.
    for (const QSize size : {QSize(192, 128), QSize(200, 150)}) {
        const int w = size.width(), h = size.height();
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const std::vector<uint8_t> bytes = CompressThroughImage(RgbPattern(w, h), w, h, 90);
        TJPEGImage whole;
        LoadBytes(whole, bytes);
        const std::vector<uint8_t> full = BgrOf(*whole.EnsureDecoded());
        // Each sequence on an image with nothing decoded, so that earlier paints cover nothing.
        const std::vector<std::vector<QRect>> sequences = {
            // The last row and column painted are the first of the next tiles.
            {QRect(0, 0, 65, 65)},
            {QRect(10, 20, 55, 45)},
            // Ending on the last pixel of a tile, then beginning on the first of the next.
            {QRect(0, 0, 64, 64), QRect(64, 64, 64, 64)},
            {QRect(1, 1, 127, 63), QRect(0, 64, 1, 1), QRect(128, 0, 1, 64)},
            // The last tile of the first row, up to the picture's right edge; then the row below.
            {QRect(w - 64, 0, 64, 64), QRect(0, 64, 64, 64), QRect(0, h - 1, w, 1)},
            // The picture's bottom row and right column alone.
            {QRect(0, h - 1, w, 1), QRect(w - 1, 0, 1, h)},
        };
        for (size_t i = 0; i < sequences.size(); ++i) {
            TImage* image = FreshImage(bytes);
            EXPECT_EQ(PaintAndCompare(*image, sequences[i], full, w), "") << "sequence " << i;
        }
    }
}

TEST_F(ImageTiles, RowsGivenBackAfterScrollingFarAwayAreDecodedAgainWhenPaintedAgain) {
    // 64 tiles tall: painting the top, the bottom and the top again holds more rows of tiles than
    // are kept, so the top's are given back in between.
    const int w = 96, h = 64 * 64;
    const std::vector<uint8_t> bytes = CompressThroughImage(RgbPattern(w, h), w, h, 90);
    TJPEGImage whole;
    LoadBytes(whole, bytes);
    const std::vector<uint8_t> full = BgrOf(*whole.EnsureDecoded());
    TImage* image = FreshImage(bytes);
    const QRect top(0, 0, w, 1600), bottom(0, h - 1600, w, 1600), middle(0, 1500, w, 200);
    EXPECT_EQ(PaintAndCompare(*image, {top, bottom, top, middle, bottom}, full, w), "");
    // A reduction's pass over the picture gives back every row held for 1:1.
    EXPECT_FALSE(image->ZoomedPart({1, 2}, QRect(0, 0, 8, 8)).isNull());
    EXPECT_EQ(PaintAndCompare(*image, {bottom}, full, w), "");
}
