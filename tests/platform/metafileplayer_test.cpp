#include "platform/metafiledc.h"
#include "platform/metafilepainter.h"

#include <QImage>
#include <QPainter>
#include <QBuffer>
#include <QFile>

#include "support/metafilebuilder.h"
#include "support/testutil.h"

using namespace zavo;
using namespace zavo::platform;
using zavotest::EmfBuilder;
using zavotest::WmfBuilder;

namespace {

constexpr QRgb kBackground = 0xFF102030;

QImage Canvas(int w = 100, int h = 100) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

void PlayEmf(QImage& image, const std::vector<uint8_t>& bytes, MetafileRect dest = {0, 0, 99, 99}) {
    QPainter painter(&image);
    PlayEnhancedMetafile(painter, dest, bytes);
}

void PlayWmf(QImage& image, const std::vector<uint8_t>& bytes, MetafileRect dest = {0, 0, 99, 99}) {
    auto i16 = [&](size_t o) { return static_cast<int16_t>(bytes[o] | bytes[o + 1] << 8); };
    QPainter painter(&image);
    PlayWindowsMetafile(painter, dest, std::span(bytes).subspan(22), {i16(6), i16(8), i16(10), i16(12)});
}

// A solid brush selected into slot 1, and the null pen.
EmfBuilder& SolidBrush(EmfBuilder& b, uint32_t colorRef) {
    return b.Add(39, {1, 0, colorRef, 0}).Add(37, {1}).Add(37, {0x80000008});
}

QRgb Rgb(uint32_t colorRef) { return qRgb(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF); }

}  // namespace

TEST(EnhancedPlayer, FillsShapesAndKeepsWhatTheRecordsDoNotPaint) {
    EmfBuilder b;
    SolidBrush(b, 0x0000FF).Add(43, {10, 10, 50, 40});   // red rectangle
    b.Add(39, {2, 0, 0xFF0000, 0}).Add(37, {2}).Add(42, {60, 60, 90, 90});  // blue ellipse
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(30, 25), Rgb(0x0000FF));
    EXPECT_EQ(image.pixel(75, 75), Rgb(0xFF0000));
    EXPECT_EQ(image.pixel(61, 61), kBackground);  // outside the ellipse, inside its box
    EXPECT_EQ(image.pixel(5, 5), kBackground);
    EXPECT_EQ(image.pixel(55, 45), kBackground);
}

TEST(EnhancedPlayer, MapsTheFrameOntoTheDestination) {
    EmfBuilder b;
    SolidBrush(b, 0x00FF00).Add(43, {0, 0, 50, 50});
    QImage image = Canvas(200, 200);
    PlayEmf(image, b.Bytes(), {100, 0, 199, 199});  // moved right, twice as tall
    EXPECT_EQ(image.pixel(125, 90), Rgb(0x00FF00));
    EXPECT_EQ(image.pixel(160, 50), kBackground);
    EXPECT_EQ(image.pixel(50, 50), kBackground);
    EXPECT_EQ(image.pixel(125, 110), kBackground);
}

TEST(EnhancedPlayer, HonoursWindowAndViewportInAnisotropicMode) {
    EmfBuilder b;
    b.Add(17, {8}).Add(9, {1000, 1000}).Add(10, {-500, 0}).Add(11, {100, 100}).Add(12, {0, 0});
    SolidBrush(b, 0xFFFFFF).Add(43, {-500, 0, 0, 500});  // the left half of the window, upper half
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(25, 25), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(75, 25), kBackground);
    EXPECT_EQ(image.pixel(25, 75), kBackground);
}

TEST(EnhancedPlayer, MetricModeTurnsTheYAxisUp) {
    EmfBuilder b;  // one pixel per millimetre
    b.Add(17, {2});  // 0.1 mm units, y upwards
    b.Add(12, {0, 100});
    SolidBrush(b, 0x00FFFF).Add(43, {0, 0, 200, 200});  // 20 x 20 mm above the origin
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(10, 90), Rgb(0x00FFFF));
    EXPECT_EQ(image.pixel(10, 70), kBackground);
    EXPECT_EQ(image.pixel(30, 90), kBackground);
}

TEST(EnhancedPlayer, SaveAndRestoreBringBackBrushAndMapping) {
    EmfBuilder b;
    SolidBrush(b, 0x0000FF);
    b.Add(33, {}).Add(12, {50, 0});
    b.Add(39, {2, 0, 0x00FF00, 0}).Add(37, {2}).Add(43, {0, 0, 20, 20});  // green at 50,0
    b.Add(34, {-1}).Add(43, {0, 0, 20, 20});  // red at 0,0
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(60, 10), Rgb(0x00FF00));
    EXPECT_EQ(image.pixel(10, 10), Rgb(0x0000FF));
}

TEST(EnhancedPlayer, ClipsToIntersectedAndExcludedRectangles) {
    EmfBuilder b;
    b.Add(30, {0, 0, 50, 100}).Add(29, {0, 0, 20, 20});
    SolidBrush(b, 0xFFFFFF).Add(43, {0, 0, 100, 100});
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(30, 50), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(70, 50), kBackground);
    EXPECT_EQ(image.pixel(10, 10), kBackground);
}

TEST(EnhancedPlayer, FillsAPathOfBezierCurves) {
    EmfBuilder b;
    SolidBrush(b, 0x0000FF);
    b.Add(59, {}).Add(27, {10, 50});
    b.Add(5, {0, 0, 0, 0, 3, 10, 0, 90, 0, 90, 50});  // upper half of a rounded shape
    b.Add(54, {10, 50}).Add(61, {}).Add(60, {}).Add(62, {0, 0, 0, 0});
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(50, 40), Rgb(0x0000FF));
    EXPECT_EQ(image.pixel(50, 60), kBackground);
}

TEST(EnhancedPlayer, DrawsPolygonsAndPolylinesOfBothPointSizes) {
    EmfBuilder b;
    SolidBrush(b, 0xFF00FF);
    b.Add(3, {0, 0, 0, 0, 3, 10, 10, 40, 10, 10, 40});
    std::vector<uint8_t> body(16, 0);
    zavotest::PutU32(body, 3);
    for (int v : {60, 60, 90, 60, 60, 90}) zavotest::PutU16(body, static_cast<uint16_t>(v));
    b.AddRaw(86, body);
    b.Add(38, {3, 0, 5, 0, 0x00FF00}).Add(37, {3}).Add(4, {0, 0, 0, 0, 2, 0, 95, 99, 95});
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(15, 15), Rgb(0xFF00FF));
    EXPECT_EQ(image.pixel(65, 65), Rgb(0xFF00FF));
    EXPECT_EQ(image.pixel(50, 95), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(50, 50), kBackground);
}

TEST(EnhancedPlayer, StretchesBitmapsTheRightWayUp) {
    std::vector<uint8_t> dib = zavotest::PackedDib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    std::vector<uint8_t> body;
    for (int v : {0, 0, 0, 0, 10, 20, 0, 0, 2, 2, 80, 40, 80 + 40, static_cast<int>(dib.size()) - 40, 0, 0xCC0020, 80, 60})
        zavotest::PutU32(body, static_cast<uint32_t>(v));
    body.insert(body.end(), dib.begin(), dib.end());
    EmfBuilder b;
    b.AddRaw(81, body);
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(20, 30), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(80, 30), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(20, 70), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(80, 70), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(5, 5), kBackground);
}

TEST(EnhancedPlayer, BlendsBitmapsWithTheirAlphaAndAConstantOne) {
    auto record = [](uint8_t constant) {
        std::vector<uint8_t> body;
        for (int v : {0, 0, 0, 0, 0, 0, 100, 50}) zavotest::PutU32(body, static_cast<uint32_t>(v));
        for (uint8_t b : {0, 0}) body.push_back(b);
        body.push_back(constant);
        body.push_back(1);  // the source has alpha
        for (int i = 0; i < 2 + 6 + 2; ++i) zavotest::PutU32(body, 0);
        for (int v : {108, 40, 148, 8, 2, 1}) zavotest::PutU32(body, static_cast<uint32_t>(v));
        for (uint32_t v : {40u, 2u, 1u}) zavotest::PutU32(body, v);
        zavotest::PutU16(body, 1);
        zavotest::PutU16(body, 32);
        for (int i = 0; i < 6; ++i) zavotest::PutU32(body, 0);
        for (uint8_t b : {0, 0, 255, 255, 0, 0, 0, 0}) body.push_back(b);  // opaque red, transparent
        return body;
    };
    EmfBuilder b;
    b.AddRaw(114, record(255));
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(25, 25), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(75, 25), kBackground);
    EXPECT_EQ(image.pixel(25, 75), kBackground);

    EmfBuilder half;
    half.AddRaw(114, record(128));
    QImage blended = Canvas();
    PlayEmf(blended, half.Bytes());
    QRgb c = blended.pixel(25, 25);
    EXPECT_NEAR(qRed(c), (255 + qRed(kBackground)) / 2, 3);
    EXPECT_NEAR(qBlue(c), qBlue(kBackground) / 2, 3);
}

TEST(EnhancedPlayer, RefusesABitmapTooLargeForAnySurface) {
    std::vector<uint8_t> body;
    for (int v : {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0xCC0020, 10, 10}) zavotest::PutU32(body, static_cast<uint32_t>(v));
    for (uint32_t v : {40u, 60000u, 60000u}) zavotest::PutU32(body, v);
    zavotest::PutU16(body, 1);
    zavotest::PutU16(body, 1);
    for (int i = 0; i < 7; ++i) zavotest::PutU32(body, 0);
    EmfBuilder b;
    b.AddRaw(81, body);
    QImage image = Canvas();
    EXPECT_THROW_MSG(PlayEmf(image, b.Bytes()), EOutOfResources, "システム リソースが足りません");
}

TEST(EnhancedPlayer, DrawsUtf16TextInTheTextColour) {
    EmfBuilder b;
    b.Add(24, {0x0000FF}).Add(18, {1});
    std::vector<uint8_t> font;
    for (int v : {1, -30, 0, 0, 0, 700}) zavotest::PutU32(font, static_cast<uint32_t>(v));
    for (int i = 0; i < 8 + 64; ++i) font.push_back(0);
    b.AddRaw(82, font).Add(37, {1});
    std::vector<uint8_t> text;
    for (int v : {0, 0, 0, 0, 1, 0, 0, 10, 20, 3, 76, 0, 0, 0, 0, 0, 0}) zavotest::PutU32(text, static_cast<uint32_t>(v));
    for (char16_t c : std::u16string(u"ＷＷ")) zavotest::PutU16(text, c);
    zavotest::PutU16(text, 0x57);
    zavotest::PutU16(text, 0);
    b.AddRaw(84, text);
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    int red = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) red += image.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_GT(red, 50);
    EXPECT_EQ(image.pixel(5, 90), kBackground);
}

TEST(EnhancedPlayer, SkipsUnknownRecordsAndStopsAtAMalformedOne) {
    EmfBuilder b;
    SolidBrush(b, 0x0000FF);
    b.Add(0x7777, {1, 2, 3}).Add(43, {0, 0, 40, 40});
    std::vector<uint8_t> bytes = b.Bytes();
    // A record that claims to be longer than the data, followed by one that would paint.
    std::vector<uint8_t> tail;
    zavotest::PutU32(tail, 43);
    zavotest::PutU32(tail, 0x7FFFFFF0);
    for (int v : {60, 60, 90, 90}) zavotest::PutU32(tail, v);
    bytes.insert(bytes.end() - 20, tail.begin(), tail.end());
    QImage image = Canvas();
    PlayEmf(image, bytes);
    EXPECT_EQ(image.pixel(20, 20), Rgb(0x0000FF));
    EXPECT_EQ(image.pixel(75, 75), kBackground);
}

TEST(EnhancedPlayer, RefusesCountsBeyondTheRecord) {
    EmfBuilder b;
    SolidBrush(b, 0x0000FF);
    b.Add(3, {0, 0, 0, 0, 0x40000000, 10, 10, 40, 10, 10, 40});
    b.Add(8, {0, 0, 0, 0, 2, 0xFFFFFFFF, 3, 0xFFFFFFFC, 10, 10});
    b.Add(43, {50, 50, 90, 90});
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(15, 15), kBackground);
    EXPECT_EQ(image.pixel(70, 70), kBackground);  // playback ended at the first bad count
}

TEST(EnhancedPlayer, FinishesAHeavyCraftedFileByStopping) {
    EmfBuilder b;
    // A dashed pen over lines far longer than the picture, many times over.
    b.Add(38, {1, 1, 0, 0, 0}).Add(37, {1});
    for (int i = 0; i < 2000; ++i) b.Add(4, {0, 0, 0, 0, 2, -4000000, i % 100, 4000000, 99 - i % 100});
    SolidBrush(b, 0x0000FF);
    for (int i = 0; i < 2000; ++i) b.Add(43, {0, 0, 100, 100});
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    int red = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) red += image.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_EQ(red, 0);  // playback stopped long before the fills
}

TEST(EnhancedPlayer, ReadsTheHeaderAndRefusesWhatIsNotOne) {
    std::vector<uint8_t> bytes = EmfBuilder(2540, 1270, 1200, 254).Bytes();
    auto header = ReadEnhancedHeader(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->frame.right, 2540);
    EXPECT_EQ(header->frame.bottom, 1270);
    EXPECT_EQ(header->deviceWidth, 1200);
    EXPECT_EQ(header->millimetersHeight, 254);
    EXPECT_EQ(header->totalBytes, bytes.size());

    std::vector<uint8_t> badSignature = bytes;
    badSignature[40] = 'X';
    EXPECT_FALSE(ReadEnhancedHeader(badSignature));
    std::vector<uint8_t> noDevice = bytes;
    zavotest::SetU32(noDevice, 80, 0);  // millimetres wide
    EXPECT_FALSE(ReadEnhancedHeader(noDevice));
    EXPECT_FALSE(ReadEnhancedHeader(std::span(bytes).first(60)));
}

TEST(WindowsPlayer, MapsTheBoundsAndDrawsShapes) {
    WmfBuilder b(0, 0, 1000, 1000);
    b.Add(0x02FC, {0, 0x00FF, 0, 0}).Add(0x012D, {0});              // red brush in slot 0
    b.Add(0x02FA, {5, 0, 0, 0, 0}).Add(0x012D, {1});                // null pen in slot 1
    b.Add(0x041B, {500, 500, 100, 100});                            // rectangle 100..500
    b.Add(0x0324, {3, 600, 600, 900, 600, 600, 900});               // triangle
    QImage image = Canvas();
    PlayWmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(65, 65), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(5, 5), kBackground);
    EXPECT_EQ(image.pixel(85, 85), kBackground);
}

TEST(WindowsPlayer, RecordsWindowOverridesTheBounds) {
    WmfBuilder b(0, 0, 1000, 1000);
    b.Add(0x020B, {0, 0}).Add(0x020C, {100, 100});  // window 100 x 100
    b.Add(0x02FC, {0, 0xFF00, 0, 0}).Add(0x012D, {0});
    b.Add(0x02FA, {5, 0, 0, 0, 0}).Add(0x012D, {1});
    b.Add(0x041B, {50, 50, 0, 0});
    QImage image = Canvas();
    PlayWmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(25, 25), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(75, 75), kBackground);
}

TEST(WindowsPlayer, DrawsShapesReachingFarBeyondThePictureWhereTheyShow) {
    // One logical unit is 100 pixels high: the shapes and the wide pen's ends lie tens of thousands
    // of rows away, so only their sides cross the picture.
    WmfBuilder b(0, 0, 100, 1);
    b.Add(0x02FC, {0, 0x00FF, 0, 0}).Add(0x012D, {0});    // red brush
    b.Add(0x02FA, {0, 10, 0, 0xFF00, 0}).Add(0x012D, {1});  // green pen 10 units wide
    b.Add(0x0538, {2, 4, 4, 20, -300, 80, -300, 80, 300, 20, 300, 40, -200, 60, -200, 60, 200, 40, 200});
    b.Add(0x02FA, {0, 0, 0, 0, 0xFF}).Add(0x012D, {2});     // one-pixel blue pen
    b.Add(0x0325, {2, 90, -300, 90, 300});
    QImage image = Canvas();
    PlayWmf(image, b.Bytes());
    for (int y : {0, 50, 99}) {
        SCOPED_TRACE(y);
        EXPECT_EQ(image.pixel(10, y), kBackground);
        EXPECT_EQ(image.pixel(20, y), qRgb(0, 255, 0));
        EXPECT_EQ(image.pixel(30, y), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(40, y), qRgb(0, 255, 0));
        EXPECT_EQ(image.pixel(50, y), kBackground);  // the inner figure is a hole
        EXPECT_EQ(image.pixel(70, y), qRgb(255, 0, 0));
        EXPECT_GT(qBlue(image.pixel(90, y)), qBlue(kBackground) + 64);
        EXPECT_EQ(image.pixel(95, y), kBackground);  // the open line is not closed into a figure
    }
}

TEST(WindowsPlayer, ReusesTheLowestFreeObjectSlot) {
    WmfBuilder b(0, 0, 100, 100);
    b.Add(0x02FC, {0, 0x00FF, 0, 0});   // slot 0: red
    b.Add(0x02FC, {0, 0xFF00, 0, 0});   // slot 1: green
    b.Add(0x01F0, {0});                 // free slot 0
    b.Add(0x02FC, {0, 0, 0xFF, 0});     // slot 0 again: blue
    b.Add(0x012D, {0});
    b.Add(0x02FA, {5, 0, 0, 0, 0}).Add(0x012D, {2});
    b.Add(0x041B, {100, 100, 0, 0});
    QImage image = Canvas();
    PlayWmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(50, 50), qRgb(0, 0, 255));
}

TEST(WindowsPlayer, DrawsAnsiTextAndStretchedBitmaps) {
    WmfBuilder b(0, 0, 100, 100);
    b.Add(0x0209, {0x00FF, 0}).Add(0x0102, {1});
    b.Add(0x02FB, {-30, 0, 0, 0, 700, 0, 0x8000, 0, 0});  // Shift-JIS character set
    b.Add(0x012D, {0});
    std::vector<uint8_t> text;
    zavotest::PutU16(text, 4);
    for (uint8_t c : {0x82, 0xA0, 0x82, 0xA2}) text.push_back(c);  // "あい" in Shift-JIS
    zavotest::PutU16(text, 10);
    zavotest::PutU16(text, 5);
    b.AddRaw(0x0521, text);
    std::vector<uint8_t> dib = zavotest::PackedDib24(1, 2, {0x00FF00, 0x0000FF});
    std::vector<uint8_t> stretch;
    zavotest::PutU32(stretch, 0xCC0020);
    for (int v : {0, 2, 1, 0, 0, 40, 40, 60, 50}) zavotest::PutU16(stretch, static_cast<uint16_t>(v));
    stretch.insert(stretch.end(), dib.begin(), dib.end());
    b.AddRaw(0x0F43, stretch);
    QImage image = Canvas();
    PlayWmf(image, b.Bytes());
    int red = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) red += image.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_GT(red, 30);
    EXPECT_EQ(image.pixel(70, 70), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(70, 90), qRgb(0, 0, 255));
}

TEST(WindowsPlayer, StopsAtARecordLongerThanTheData) {
    WmfBuilder b(0, 0, 100, 100);
    b.Add(0x02FC, {0, 0x00FF, 0, 0}).Add(0x012D, {0});
    b.Add(0x041B, {40, 40, 0, 0});
    std::vector<uint8_t> bytes = b.Bytes();
    std::vector<uint8_t> bad;
    zavotest::PutU32(bad, 0x40000000);
    zavotest::PutU16(bad, 0x041B);
    for (int v : {90, 90, 60, 60}) zavotest::PutU16(bad, static_cast<uint16_t>(v));
    bytes.insert(bytes.end() - 6, bad.begin(), bad.end());
    QImage image = Canvas();
    PlayWmf(image, bytes);
    EXPECT_EQ(image.pixel(20, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(75, 75), kBackground);
}

TEST(WindowsPlayer, RecognisesTheRecordHeader) {
    std::vector<uint8_t> bytes = WmfBuilder(0, 0, 10, 10).Bytes();
    EXPECT_TRUE(IsWindowsMetafile(std::span(bytes).subspan(22)));
    EXPECT_FALSE(IsWindowsMetafile(bytes));
    EXPECT_FALSE(IsWindowsMetafile(std::span(bytes).subspan(22, 10)));
}

TEST(WindowsPlayer, DecodesTextInTheFontsCharacterSet) {
    const uint8_t kana[] = {0x82, 0xA0, 0x82, 0xA2};
    EXPECT_EQ(DecodeAnsi(kana, 128), QString::fromUtf8("あい"));
    EXPECT_EQ(DecodeAnsi(kana, 1), QString::fromUtf8("あい"));  // the default set is the Japanese one
    const uint8_t latin[] = {0x41, 0xE9};
    EXPECT_EQ(DecodeAnsi(latin, 0), QString::fromUtf8("Aé"));
}

namespace {

// One bitmap inside a record: its four offset and size fields go to fixed[slot] and on.
struct Embedded {
    size_t slot;
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
};

// A record body: the fixed 32-bit fields, then each bitmap's header and pixels.
std::vector<uint8_t> BitmapBody(std::vector<int64_t> fixed, const std::vector<Embedded>& bitmaps) {
    size_t at = 8 + fixed.size() * 4;
    for (const Embedded& e : bitmaps) {
        fixed[e.slot] = static_cast<int64_t>(at);
        fixed[e.slot + 1] = static_cast<int64_t>(e.info.size());
        fixed[e.slot + 2] = static_cast<int64_t>(at + e.info.size());
        fixed[e.slot + 3] = static_cast<int64_t>(e.bits.size());
        at += e.info.size() + e.bits.size();
    }
    std::vector<uint8_t> body;
    for (int64_t v : fixed) zavotest::PutU32(body, static_cast<uint32_t>(v));
    for (const Embedded& e : bitmaps) {
        body.insert(body.end(), e.info.begin(), e.info.end());
        body.insert(body.end(), e.bits.begin(), e.bits.end());
    }
    return body;
}

// A 40-byte info header followed by its colour table (0xRRGGBB values).
std::vector<uint8_t> Info(int32_t width, int32_t height, int bits, uint32_t compression, uint32_t imageBytes,
                          const std::vector<uint32_t>& colors = {}) {
    std::vector<uint8_t> h;
    for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)}) zavotest::PutU32(h, v);
    zavotest::PutU16(h, 1);
    zavotest::PutU16(h, static_cast<uint32_t>(bits));
    for (uint32_t v : {compression, imageBytes, 0u, 0u, static_cast<uint32_t>(colors.size()), 0u}) zavotest::PutU32(h, v);
    for (uint32_t c : colors) zavotest::PutU32(h, c);
    return h;
}

// Top-down rows of 0xRRGGBB as 24-bit bottom-up bitmap bits.
std::vector<uint8_t> Bits24(int width, const std::vector<uint32_t>& topDown) {
    std::vector<uint8_t> dib = zavotest::PackedDib24(width, static_cast<int>(topDown.size()) / width, topDown);
    return std::vector<uint8_t>(dib.begin() + 40, dib.end());
}

std::vector<uint8_t> Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 100);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// The fields of a bit-block transfer (record 76) up to its bitmap, or of a stretch or
// transparent one with the source size behind them.
std::vector<int64_t> BltFields(QRect dst, uint32_t rop, QPoint src, std::optional<QSize> srcSize = std::nullopt) {
    std::vector<int64_t> f = {0, 0, 0, 0, dst.x(), dst.y(), dst.width(), dst.height(), rop, src.x(), src.y(),
                              0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0, 0, 0, 0, 0};
    if (srcSize) {
        f.push_back(srcSize->width());
        f.push_back(srcSize->height());
    }
    return f;
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

}  // namespace

TEST(EnhancedPlayer, DecodesCompressedBitmapsInStretchedBits) {
    QImage png(2, 1, QImage::Format_RGB32);
    png.setPixel(0, 0, qRgb(255, 0, 0));
    png.setPixel(1, 0, qRgb(0, 255, 0));
    QImage jpeg(16, 8, QImage::Format_RGB32);
    jpeg.fill(qRgb(32, 64, 192));
    std::vector<uint8_t> pngBytes = Encoded(png, "png"), jpegBytes = Encoded(jpeg, "jpeg");
    // 4 x 2 run-length pixels: the bottom row four reds, the top row two blues and two skipped.
    std::vector<uint8_t> rle8 = {4, 0, 0, 0, 2, 1, 0, 2, 2, 0, 0, 1};
    std::vector<uint8_t> rle4 = {2, 0x12, 0, 1};  // one row: green, blue
    struct Case {
        const char* name;
        std::vector<uint8_t> info;
        std::vector<uint8_t> bits;
        QSize size;
        std::vector<std::pair<QPoint, QRgb>> expected;  // in a 40 x 20 destination
        int tolerance;
    } cases[] = {
        {"rle8", Info(4, 2, 8, 1, 12, {kRed, kBlue}), rle8, {4, 2},
         {{{5, 5}, qRgb(0, 0, 255)}, {{15, 5}, qRgb(0, 0, 255)}, {{25, 5}, kBackground}, {{35, 15}, qRgb(255, 0, 0)}}, 0},
        {"rle4", Info(2, 1, 4, 2, 4, {kRed, kGreen, kBlue}), rle4, {2, 1},
         {{{10, 10}, qRgb(0, 255, 0)}, {{30, 10}, qRgb(0, 0, 255)}}, 0},
        {"png", Info(2, 1, 0, 5, static_cast<uint32_t>(pngBytes.size())), pngBytes, {2, 1},
         {{{10, 10}, qRgb(255, 0, 0)}, {{30, 10}, qRgb(0, 255, 0)}}, 0},
        {"jpeg", Info(16, 8, 0, 4, static_cast<uint32_t>(jpegBytes.size())), jpegBytes, {16, 8},
         {{{10, 10}, qRgb(32, 64, 192)}, {{30, 5}, qRgb(32, 64, 192)}}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmfBuilder b;
        b.AddRaw(81, BitmapBody({0, 0, 0, 0, 0, 0, 0, 0, c.size.width(), c.size.height(), 0, 0, 0, 0, 0, 0xCC0020, 40, 20},
                                {{10, c.info, c.bits}}));
        SolidBrush(b, 0x00FFFF).Add(43, {60, 60, 90, 90});  // playback goes on behind the bitmap
        QImage image = Canvas();
        PlayEmf(image, b.Bytes());
        for (auto [at, rgb] : c.expected) {
            QRgb got = image.pixel(at);
            EXPECT_NEAR(qRed(got), qRed(rgb), c.tolerance) << at.x() << "," << at.y();
            EXPECT_NEAR(qGreen(got), qGreen(rgb), c.tolerance) << at.x() << "," << at.y();
            EXPECT_NEAR(qBlue(got), qBlue(rgb), c.tolerance) << at.x() << "," << at.y();
        }
        EXPECT_EQ(image.pixel(75, 75), qRgb(255, 255, 0));
    }
}

TEST(EnhancedPlayer, LeavesOutOnlyARecordWhoseBitmapCannotBeDecoded) {
    EmfBuilder b;
    std::vector<uint8_t> twoBits = Info(2, 1, 2, 0, 4, {0, 0, 0, 0});
    b.AddRaw(81, BitmapBody({0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 0, 0xCC0020, 40, 20}, {{10, twoBits, {0, 0, 0, 0}}}));
    SolidBrush(b, 0x0000FF).Add(43, {60, 60, 90, 90});
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(10, 10), kBackground);
    EXPECT_EQ(image.pixel(75, 75), qRgb(255, 0, 0));
}

TEST(EnhancedPlayer, AppliesTernaryRasterOperations) {
    const uint32_t s = 0x0F3C5A, d = kBackground & 0xFFFFFF, p = 0x336699;  // 0xRRGGBB
    struct Case {
        uint32_t rop;
        uint32_t expected;
    } cases[] = {
        {0xCC0020, s},                       // source copy
        {0xEE0086, s | d},                   // source paint
        {0x8800C6, s & d},                   // source and
        {0x660046, s ^ d},                   // source invert
        {0x440328, s & ~d & 0xFFFFFF},       // source erase
        {0x330008, ~s & 0xFFFFFF},           // not source copy
        {0x1100A6, ~(s | d) & 0xFFFFFF},     // not source erase
        {0xBB0226, (~s | d) & 0xFFFFFF},     // merge paint
        {0xC000CA, p & s},                   // merge copy
        {0xF00021, p},                       // pattern copy
        {0xFB0A09, (p | ~s | d) & 0xFFFFFF}, // pattern paint
        {0x5A0049, p ^ d},                   // pattern invert
        {0x550009, ~d & 0xFFFFFF},           // destination invert
        {0x000042, 0},                       // blackness
        {0xFF0062, 0xFFFFFF},                // whiteness
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rop);
        EmfBuilder b;
        b.Add(39, {1, 0, 0x996633, 0}).Add(37, {1});  // the pattern p as a colour reference
        b.AddRaw(76, BitmapBody(BltFields({10, 10, 20, 20}, c.rop, {0, 0}), {{19, Info(1, 1, 24, 0, 4), Bits24(1, {s})}}));
        QImage image = Canvas();
        PlayEmf(image, b.Bytes());
        EXPECT_EQ(image.pixel(20, 20) & 0xFFFFFF, c.expected);
        EXPECT_EQ(image.pixel(5, 5), kBackground);
    }
}

TEST(EnhancedPlayer, MasksParallelogramsAndTransparentColours) {
    std::vector<uint8_t> info = Info(2, 1, 24, 0, 8), bits = Bits24(2, {kRed, kGreen});
    std::vector<uint8_t> maskInfo = Info(2, 1, 1, 0, 4, {0x000000, 0xFFFFFF}), maskBits = {0x80, 0, 0, 0};
    EmfBuilder b;
    // Source copy where the mask is white, destination inverted where it is black.
    std::vector<int64_t> mask = BltFields({10, 10, 2, 1}, 0x55CC0000u, {0, 0});
    for (int64_t v : {0, 0, 0, 0, 0, 0, 0}) mask.push_back(v);
    b.AddRaw(78, BitmapBody(mask, {{19, info, bits}, {26, maskInfo, maskBits}}));
    // Mirrored onto 20..60 x 30..50.
    std::vector<int64_t> plg = {0, 0, 0, 0, 60, 30, 20, 30, 60, 50, 0, 0, 2, 1, 0x3F800000, 0, 0, 0x3F800000, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    b.AddRaw(79, BitmapBody(plg, {{22, info, bits}}));
    // Green left out.
    b.AddRaw(116, BitmapBody(BltFields({0, 70, 40, 20}, 0x00FF00, {0, 0}, QSize(2, 1)), {{19, info, bits}}));
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(11, 10), qRgb(0xEF, 0xDF, 0xCF));
    EXPECT_EQ(image.pixel(12, 10), kBackground);
    EXPECT_EQ(image.pixel(50, 40), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 40), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(10, 80), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 80), kBackground);
}

TEST(EnhancedPlayer, CopiesABandOfBitsToTheDevice) {
    // A 1 x 4 bitmap whose bits hold two rows from the second from the bottom: A below, B above.
    std::vector<uint8_t> bits = Bits24(1, {kBlue, kRed});  // B (blue) on top of A (red)
    EmfBuilder b;
    b.AddRaw(80, BitmapBody({0, 0, 0, 0, 10, 10, 0, 0, 1, 4, 0, 0, 0, 0, 0, 1, 2}, {{10, Info(1, 4, 24, 0, 0), bits}}));
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(10, 10), kBackground);  // the top row is not in the bits
    EXPECT_EQ(image.pixel(10, 11), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(10, 12), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(10, 13), kBackground);
}

TEST(EnhancedPlayer, DrawsAngleArcsAndPointKindFigures) {
    EmfBuilder b;
    b.Add(38, {1, 0, 3, 0, 0x0000FF}).Add(37, {1});
    b.Add(41, {50, 50, 30, 0, 0x42B40000});  // from 0 degrees, a quarter turn
    b.Add(54, {50, 90});                      // on from where the arc ended
    std::vector<uint8_t> draw(16, 0);
    zavotest::PutU32(draw, 3);
    for (int v : {10, 80, 90, 80, 50, 20}) zavotest::PutU32(draw, static_cast<uint32_t>(v));
    for (uint8_t k : {6, 2, 3, 0}) draw.push_back(k);  // move, line, line and close
    b.AddRaw(56, draw);
    std::vector<uint8_t> bad(16, 0);
    zavotest::PutU32(bad, 2);
    for (int v : {5, 5, 5, 60}) zavotest::PutU16(bad, static_cast<uint16_t>(v));
    for (uint8_t k : {6, 8}) bad.push_back(k);  // no such kind: nothing is drawn
    b.AddRaw(92, bad);
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_EQ(image.pixel(40, 25), red);  // the line from 0,0 to the arc's start at 80,50
    EXPECT_EQ(image.pixel(71, 28), red);  // the arc at 45 degrees
    EXPECT_EQ(image.pixel(20, 50), kBackground);
    EXPECT_EQ(image.pixel(50, 60), red);  // the line from the arc's end at 50,20
    EXPECT_EQ(image.pixel(50, 80), red);
    EXPECT_EQ(image.pixel(30, 50), red);  // the closing side
    EXPECT_EQ(image.pixel(5, 30), kBackground);
}

TEST(EnhancedPlayer, FillsGradientRectanglesAndTriangles) {
    auto vertex = [](std::vector<uint8_t>& out, int x, int y, uint32_t rgb) {
        zavotest::PutU32(out, static_cast<uint32_t>(x));
        zavotest::PutU32(out, static_cast<uint32_t>(y));
        for (int shift : {16, 8, 0}) zavotest::PutU16(out, ((rgb >> shift) & 0xFF) << 8);
        zavotest::PutU16(out, 0);
    };
    std::vector<uint8_t> rect(16, 0);
    for (uint32_t v : {2u, 1u, 0u}) zavotest::PutU32(rect, v);
    vertex(rect, 0, 0, kRed);
    vertex(rect, 100, 50, kBlue);
    for (uint32_t v : {0u, 1u}) zavotest::PutU32(rect, v);
    std::vector<uint8_t> tri(16, 0);
    for (uint32_t v : {3u, 1u, 2u}) zavotest::PutU32(tri, v);
    vertex(tri, 0, 50, kRed);
    vertex(tri, 100, 50, kGreen);
    vertex(tri, 0, 100, kBlue);
    for (uint32_t v : {0u, 1u, 2u}) zavotest::PutU32(tri, v);
    EmfBuilder b;
    b.AddRaw(118, rect).AddRaw(118, tri);
    QImage image = Canvas();
    PlayEmf(image, b.Bytes());
    auto near = [](QRgb got, int r, int g, int bl) {
        EXPECT_NEAR(qRed(got), r, 3);
        EXPECT_NEAR(qGreen(got), g, 3);
        EXPECT_NEAR(qBlue(got), bl, 3);
    };
    near(image.pixel(50, 20), 127, 0, 128);
    near(image.pixel(2, 20), 250, 0, 5);
    near(image.pixel(10, 60), 175, 27, 54);  // shares 0.685, 0.105 and 0.21 at the pixel's centre
    EXPECT_EQ(image.pixel(90, 95), kBackground);
}

TEST(WindowsPlayer, DrawsOldStyleBitmapsInTheTextAndBackgroundColours) {
    WmfBuilder b(0, 0, 10, 10);
    b.Add(0x0209, {0x00FF, 0}).Add(0x0201, {0xFF00, 0});  // text red, background green
    std::vector<uint8_t> blt;
    zavotest::PutU32(blt, 0xCC0020);
    for (int v : {0, 0, 1, 2, 1, 1}) zavotest::PutU16(blt, static_cast<uint16_t>(v));
    for (int v : {0, 2, 1, 2}) zavotest::PutU16(blt, static_cast<uint16_t>(v));
    for (uint8_t v : {1, 1, 0x40, 0}) blt.push_back(v);  // one plane, one bit: 0 then 1
    b.AddRaw(0x0922, blt);
    QImage image = Canvas();
    PlayWmf(image, b.Bytes());
    EXPECT_EQ(image.pixel(15, 15), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(25, 15), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(35, 15), kBackground);
}
