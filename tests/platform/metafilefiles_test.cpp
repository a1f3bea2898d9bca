// Real metafiles written by drawing programs, played at the size of a reference rendering of the same
// file and compared pixel by pixel.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/metafilepainter.h"
#include "support/testutil.h"

using namespace zavo::platform;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

QImage Render(const std::vector<uint8_t>& bytes, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    MetafileRect dest{0, 0, width - 1, height - 1};
    if (bytes.size() > 22 && bytes[0] == 0xD7 && bytes[1] == 0xCD) {
        auto i16 = [&](size_t o) { return static_cast<int16_t>(bytes[o] | bytes[o + 1] << 8); };
        PlayWindowsMetafile(painter, dest, std::span(bytes).subspan(22), {i16(6), i16(8), i16(10), i16(12)});
    } else {
        PlayEnhancedMetafile(painter, dest, bytes);
    }
    return image;
}

// Share of pixels whose channels all lie within 32 of the reference's.
double Closeness(const QImage& image, const QImage& reference) {
    int64_t close = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
            close += std::abs(qRed(a) - qRed(b)) <= 32 && std::abs(qGreen(a) - qGreen(b)) <= 32 &&
                     std::abs(qBlue(a) - qBlue(b)) <= 32;
        }
    }
    return double(close) / (double(image.width()) * image.height());
}

struct Case {
    const char* file;
    const char* reference;  // under the project's tests/data/metafile/ref, or beside the file
    double atLeast;
};

// Renders each file at its reference's size and compares.
void ExpectCloseToTheReferences(const std::vector<Case>& cases, const std::function<std::string(const char*)>& path,
                                bool ownReferences) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string refPath = ownReferences ? zavotest::OwnData("metafile/ref/") + c.reference : path(c.reference);
        QImage reference(QString::fromStdString(refPath));
        ASSERT_FALSE(reference.isNull());
        std::vector<uint8_t> bytes = ReadAll(path(c.file));
        ASSERT_FALSE(bytes.empty());
        double share = Closeness(Render(bytes, reference.width(), reference.height()), reference);
        std::printf("%s: %.2f%% of pixels within 32 of the reference\n", c.file, share * 100);
        EXPECT_GE(share, c.atLeast);
    }
}

}  // namespace

TEST(MetafileRealFiles, OwnFilesOfOtherProgramsRenderCloseToTheirReferences) {
    ExpectCloseToTheReferences({{"metafile/photo/lo_photo.wmf", "lo_photo.png", 0.97},
                                {"metafile/photo/lo_photo.emf", "lo_photo.png", 0.97},
                                {"metafile/photo/ink_photo.wmf", "ink_photo_wmf.png", 0.99},
                                {"metafile/photo/ink_photo.emf", "ink_photo_emf.png", 0.99}},
                               [](const char* file) { return zavotest::OwnData(file); }, true);
}

TEST(MetafileRealFiles, TestFilesOfOtherProgramsRenderCloseToTheirReferences) {
    ZAVO_NEEDS_TESTDATA();
    const auto shared = [](const char* file) { return zavotest::TestData(file); };
    // Inkscape's drawings have their references among the project's own files.
    ExpectCloseToTheReferences({{"metafile/emf-inkscape/ink_drawing.emf", "ink_drawing_emf.png", 0.99},
                                {"metafile/wmf-inkscape/ink_drawing.wmf", "ink_drawing_wmf.png", 0.98},
                                {"metafile/emf-inkscape/ink_image.emf", "ink_image_emf.png", 0.96},
                                {"metafile/wmf-inkscape/ink_image.wmf", "ink_image_wmf.png", 0.96}},
                               shared, true);
    ExpectCloseToTheReferences({{"pillow/wmf-emf/drawing.emf", "pillow/wmf-emf/drawing_emf_ref.png", 0.99}}, shared,
                               false);
}

// This Windows metafile draws its circle partly outside the window its records set up; played with
// the placeable header's scaling, the circle is cut at the right and bottom.
TEST(MetafileRealFiles, PlaceableScalingKeepsTheRecordsWindow) {
    ZAVO_NEEDS_TESTDATA();
    std::vector<uint8_t> bytes = ReadAll(zavotest::TestData("pillow/wmf-emf/drawing.wmf"));
    ASSERT_FALSE(bytes.empty());
    QImage image = Render(bytes, 110, 110);
    EXPECT_EQ(image.pixel(74, 74), qRgb(255, 0, 0));    // the circle's centre at 925 of 1369 units
    EXPECT_EQ(image.pixel(109, 74), qRgb(255, 0, 0));   // cut at the right edge
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 255, 255));
}
