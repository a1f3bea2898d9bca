#include "codec/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "base/streams.h"
#include "support/testutil.h"

namespace zavo {
namespace {

using platform::ColorRef;
using platform::MakeColorRef;

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kLime = MakeColorRef(0, 255, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);

ColorRef PixelOf(TBitmap& b, int x, int y) { return b.Image().Handle()->Pixel(x, y); }

// A bitmap of the size, sized height first as the picture comparison does, filled with colour.
std::unique_ptr<TBitmap> Filled(int width, int height, TColor color) {
    auto b = std::make_unique<TBitmap>();
    b->SetHeight(height);
    b->SetWidth(width);
    b->Canvas().Brush().SetColor(color);
    b->Canvas().FillRect(Rect(0, 0, width, height));
    return b;
}

bool AllPixels(TBitmap& b, const std::function<bool(int, int, ColorRef)>& check) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (!check(x, y, PixelOf(b, x, y))) return false;
    return true;
}

TEST(Bitmap, StartsEmptyAndDeviceDependent) {
    TBitmap b;
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::Device);
    EXPECT_EQ(b.Image().RefCount(), 1);
    EXPECT_FALSE(b.HasCanvas());
    EXPECT_FALSE(b.Transparent());
    EXPECT_EQ(b.Palette(), nullptr);
}

TEST(Bitmap, FirstSizingGivesWhiteDisplayFormat) {
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TGraphic*) { ++changes; };
    b.SetHeight(5);
    EXPECT_EQ(b.Height(), 5);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_TRUE(b.IsEmpty());
    b.SetWidth(7);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(b.IsEmpty());
    ASSERT_NE(b.Image().Handle(), nullptr);
    EXPECT_TRUE(b.Image().Handle()->IsDisplayFormat());
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::Device);
    EXPECT_EQ(b.Image().Description().bitmap.bitsPixel, 32);
    EXPECT_TRUE(AllPixels(b, [](int, int, ColorRef c) { return c == kWhite; }));
    b.SetWidth(7);
    EXPECT_EQ(changes, 2);
}

TEST(Bitmap, ZeroSideLeavesItEmptyWhileReportingTheOther) {
    auto b = Filled(4, 3, clRed);
    b->SetWidth(0);
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_EQ(b->Width(), 0);
    EXPECT_EQ(b->Height(), 3);
    // Nothing is left to keep: the new pixels are all the canvas brush.
    b->Canvas().Brush().SetColor(clLime);
    b->SetWidth(2);
    EXPECT_TRUE(AllPixels(*b, [](int, int, ColorRef c) { return c == kLime; }));
}

TEST(Bitmap, ResizeKeepsTheTopLeftAndFillsTheRestWithWhite) {
    auto b = Filled(4, 3, clRed);
    b->Canvas().SetPixel(3, 2, clBlue);
    // Without a canvas the new area is white.
    TBitmap plain;
    plain.AssignFrom(b.get());
    plain.SetHeight(5);
    plain.SetWidth(6);
    EXPECT_TRUE(AllPixels(plain, [](int x, int y, ColorRef c) {
        if (x == 3 && y == 2) return c == kBlue;
        return c == ((x < 4 && y < 3) ? kRed : kWhite);
    }));
    // The old image stays with the bitmap that still shares it.
    EXPECT_EQ(b->Width(), 4);
    EXPECT_EQ(PixelOf(*b, 3, 2), kBlue);

    plain.SetWidth(2);
    plain.SetHeight(2);
    EXPECT_TRUE(AllPixels(plain, [](int, int, ColorRef c) { return c == kRed; }));
}

TEST(Bitmap, ResizeFillsWithTheCanvasBrush) {
    auto b = Filled(2, 2, clRed);
    b->Canvas().Brush().SetColor(clLime);
    b->SetWidth(3);
    EXPECT_EQ(PixelOf(*b, 0, 0), kRed);
    EXPECT_EQ(PixelOf(*b, 2, 1), kLime);
}

TEST(Bitmap, FailedResizeKeepsThePreviousImage) {
    auto b = Filled(3, 20000, clRed);
    const TBitmapImage* before = &b->Image();
    // 30000 x 20000 x 4 bytes lie beyond the 2 GiB a surface may have.
    EXPECT_THROW_MSG(b->SetWidth(30000), EOutOfResources, "システム リソースが足りません");
    EXPECT_THROW_MSG(b->SetHeight(-1), EOutOfResources, "システム リソースが足りません");
    EXPECT_EQ(&b->Image(), before);
    EXPECT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Height(), 20000);
    EXPECT_EQ(PixelOf(*b, 2, 19999), kRed);
}

TEST(Bitmap, AssignSharesTheImageAndDrawingSeparatesIt) {
    auto a = Filled(3, 2, clRed);
    TBitmap b;
    b.AssignFrom(a.get());
    EXPECT_EQ(&a->Image(), &b.Image());
    EXPECT_EQ(a->Image().RefCount(), 2);
    EXPECT_EQ(b.Width(), 3);

    b.Canvas().Brush().SetColor(clBlue);
    b.Canvas().FillRect(Rect(0, 0, 1, 1));
    EXPECT_NE(&a->Image(), &b.Image());
    EXPECT_EQ(a->Image().RefCount(), 1);
    EXPECT_EQ(b.Image().RefCount(), 1);
    EXPECT_EQ(PixelOf(*a, 0, 0), kRed);
    EXPECT_EQ(PixelOf(b, 0, 0), kBlue);
    EXPECT_EQ(PixelOf(b, 1, 0), kRed);
}

TEST(Bitmap, AssignCopiesTransparencyAndSignalsOnce) {
    auto a = Filled(2, 2, clRed);
    a->SetTransparent(true);
    a->SetTransparentColor(clRed);
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TGraphic*) { ++changes; };
    b.AssignFrom(a.get());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.TransparentColor(), clRed);
    EXPECT_EQ(b.TransparentMode(), TTransparentMode::Fixed);
    b.AssignFrom(nullptr);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(a->Image().RefCount(), 1);
}

TEST(Bitmap, HandleAndScanLineCopyASharedImageFirst) {
    auto a = Filled(2, 2, clRed);
    TBitmap b;
    b.AssignFrom(a.get());
    platform::Surface* handle = b.Handle();
    EXPECT_NE(handle, a->Image().Handle());
    TBitmap c;
    c.AssignFrom(a.get());
    std::memset(c.ScanLine(0), 0, 8);
    EXPECT_EQ(PixelOf(*a, 0, 0), kRed);
    EXPECT_EQ(PixelOf(c, 0, 0), 0u);
}

TEST(Bitmap, ScanLineChecksTheRow) {
    auto b = Filled(3, 1, clRed);
    EXPECT_NE(b->ScanLine(0), nullptr);
    EXPECT_THROW_MSG(b->ScanLine(1), EInvalidGraphicOperation, "スキャンライン のインデックスが範囲を越えました");
    EXPECT_THROW_MSG(b->ScanLine(-1), EInvalidGraphicOperation, "スキャンライン のインデックスが範囲を越えました");
    TBitmap empty;
    EXPECT_THROW_MSG(empty.ScanLine(0), EInvalidGraphicOperation, "スキャンライン のインデックスが範囲を越えました");
}

TEST(Bitmap, ScanLinesOfABottomUpBitmapRunBackwards) {
    auto b = Filled(5, 4, clRed);
    b->SetPixelFormat(TPixelFormat::Bit24);
    int64_t rowSize = ((5 * 24 + 31) / 32) * 4;
    EXPECT_EQ(b->ScanLine(1) - b->ScanLine(0), -rowSize);
    EXPECT_EQ(b->ScanLine(0), b->Image().Handle()->Bits() + 3 * rowSize);
    // The device format is top-down.
    auto d = Filled(5, 4, clRed);
    EXPECT_EQ(d->ScanLine(1) - d->ScanLine(0), 20);
}

TEST(Bitmap, EveryPixelFormatKeepsThePixels) {
    const ColorRef colors[] = {0x000000, kWhite, kRed, kLime, kBlue, MakeColorRef(255, 255, 0)};
    const TPixelFormat formats[] = {TPixelFormat::Bit4, TPixelFormat::Bit8, TPixelFormat::Bit15, TPixelFormat::Bit16,
                                    TPixelFormat::Bit24, TPixelFormat::Bit32, TPixelFormat::Device};
    for (TPixelFormat f : formats) {
        auto b = Filled(6, 2, clWhite);
        for (int x = 0; x < 6; ++x) b->Canvas().SetPixel(x, 1, static_cast<TColor>(colors[x]));
        b->SetPixelFormat(f);
        EXPECT_EQ(b->PixelFormat(), f);
        for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelOf(*b, x, 1), colors[x]) << static_cast<int>(f) << " " << x;
        EXPECT_EQ(PixelOf(*b, 0, 0), kWhite);
        // And back to the display format.
        b->SetPixelFormat(TPixelFormat::Device);
        EXPECT_EQ(b->PixelFormat(), TPixelFormat::Device);
        for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelOf(*b, x, 1), colors[x]) << static_cast<int>(f) << " " << x;
    }
}

TEST(Bitmap, PixelFormatsAndTheirDescriptions) {
    auto b = Filled(3, 3, clRed);
    b->SetPixelFormat(TPixelFormat::Bit16);
    EXPECT_EQ(b->Image().Description().header.compression, platform::kBiBitFields);
    EXPECT_EQ(b->Image().Description().masks[1], 0x07E0u);
    b->SetPixelFormat(TPixelFormat::Bit15);
    EXPECT_EQ(b->Image().Description().header.compression, platform::kBiRgb);
    EXPECT_EQ(b->Image().Description().header.bitCount, 16);
    b->SetPixelFormat(TPixelFormat::Bit4);
    EXPECT_EQ(b->Palette(), platform::SixteenColorPalette());
    EXPECT_TRUE(b->PaletteModified());
    b->SetPixelFormat(TPixelFormat::Bit8);
    ASSERT_NE(b->Palette(), nullptr);
    EXPECT_EQ(b->Palette()->Count(), 256);
    b->SetPixelFormat(TPixelFormat::Bit1);
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::Bit1);
    EXPECT_EQ(b->Image().Description().header.height, 3);
    EXPECT_THROW_MSG(b->SetPixelFormat(TPixelFormat::Custom), EInvalidGraphic, "画像フォーマットが不正です");
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::Bit1);
}

TEST(Bitmap, AFormatGivenWhileEmptyShapesTheLaterSizing) {
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::Bit24);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::Bit24);
    b.SetWidth(4);
    b.SetHeight(2);
    ASSERT_NE(b.Image().Handle(), nullptr);
    EXPECT_EQ(b.Image().Handle()->BitCount(), 24);
    EXPECT_FALSE(b.Image().Handle()->TopDown());
    EXPECT_TRUE(AllPixels(b, [](int, int, ColorRef c) { return c == kWhite; }));
}

// The working bitmap receives pictures as the picture comparison loads them.
TEST(Bitmap, WorkingBitmapSequence) {
    TBitmap workbmp, left, jpegCopy;
    auto first = Filled(4, 3, clRed);
    auto load = [&](TGraphic* picture) {
        workbmp.SetHeight(picture->Height());
        workbmp.SetWidth(picture->Width());
        workbmp.Canvas().DrawGraphic(0, 0, picture);
        left.AssignFrom(&workbmp);
        jpegCopy.AssignFrom(&workbmp);
    };
    load(first.get());
    EXPECT_EQ(workbmp.PixelFormat(), TPixelFormat::Device);
    EXPECT_TRUE(AllPixels(left, [](int, int, ColorRef c) { return c == kRed; }));
    EXPECT_EQ(&left.Image(), &workbmp.Image());

    // Same size: drawing copies first, so the left pane keeps the previous picture until reassigned.
    auto second = Filled(4, 3, clBlue);
    workbmp.SetHeight(3);
    workbmp.SetWidth(4);
    EXPECT_EQ(&workbmp.Image(), &left.Image());
    workbmp.Canvas().DrawGraphic(0, 0, second.get());
    EXPECT_NE(&workbmp.Image(), &left.Image());
    EXPECT_EQ(&left.Image(), &jpegCopy.Image());
    EXPECT_TRUE(AllPixels(left, [](int, int, ColorRef c) { return c == kRed; }));
    EXPECT_TRUE(AllPixels(workbmp, [](int, int, ColorRef c) { return c == kBlue; }));
    left.AssignFrom(&workbmp);
    jpegCopy.AssignFrom(&workbmp);
    EXPECT_EQ(workbmp.Image().RefCount(), 3);

    // A smaller picture: only the top-left part remains before drawing; then a larger one is white beyond.
    TBitmap probe;
    probe.AssignFrom(&workbmp);
    probe.SetHeight(2);
    probe.SetWidth(2);
    EXPECT_TRUE(AllPixels(probe, [](int, int, ColorRef c) { return c == kBlue; }));
    auto third = Filled(6, 4, clLime);
    third->Canvas().Brush().SetColor(clLime);
    workbmp.SetHeight(4);
    workbmp.SetWidth(6);
    EXPECT_TRUE(AllPixels(workbmp, [](int x, int y, ColorRef c) { return c == ((x < 4 && y < 3) ? kBlue : kWhite); }));
    workbmp.Canvas().DrawGraphic(0, 0, third.get());
    EXPECT_TRUE(AllPixels(workbmp, [](int, int, ColorRef c) { return c == kLime; }));
    EXPECT_TRUE(AllPixels(left, [](int, int, ColorRef c) { return c == kBlue; }));
}

TEST(Bitmap, PaletteSourcesBecomeTrueColour) {
    for (int bits : {1, 8}) {
        platform::BitmapInfoHeader header;
        header.size = 40;
        header.width = 9;
        header.height = 2;
        header.planes = 1;
        header.bitCount = static_cast<uint16_t>(bits);
        std::vector<platform::RgbQuad> table = {{0, 0, 255, 0}, {255, 0, 0, 0}};
        auto pixels = platform::Surface::CreateDib(header, table);
        for (int x = 0; x < 9; ++x) pixels->SetPixel(x, 0, x % 2 ? kBlue : kRed);
        TBitmap source;
        source.AdoptImage(std::move(pixels), platform::PaletteFromColorTable(table), header, nullptr, false);
        EXPECT_EQ(source.PixelFormat(), bits == 1 ? TPixelFormat::Bit1 : TPixelFormat::Bit8);
        EXPECT_TRUE(source.PaletteModified());

        TBitmap workbmp;
        workbmp.SetHeight(2);
        workbmp.SetWidth(9);
        workbmp.Canvas().DrawGraphic(0, 0, &source);
        EXPECT_EQ(workbmp.PixelFormat(), TPixelFormat::Device);
        for (int x = 0; x < 9; ++x) EXPECT_EQ(PixelOf(workbmp, x, 0), x % 2 ? kBlue : kRed) << bits << " " << x;
        EXPECT_EQ(PixelOf(workbmp, 0, 1), kRed);
    }
}

TEST(Bitmap, AdoptedImageKeepsTheHeaderFacts) {
    platform::BitmapInfoHeader header;
    header.size = 40;
    header.width = 2;
    header.height = -2;
    header.planes = 1;
    header.bitCount = 24;
    header.xPelsPerMeter = 2835;
    header.clrUsed = 7;
    auto pixels = platform::Surface::CreateDib(header, {});
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TGraphic*) { ++changes; };
    auto saved = std::make_unique<TMemoryStream>();
    saved->Write("BM", 2);
    b.AdoptImage(std::move(pixels), nullptr, header, std::move(saved), true);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(b.PaletteModified());
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.Image().Description().header.height, -2);
    EXPECT_EQ(b.Image().Description().header.xPelsPerMeter, 2835);
    EXPECT_EQ(b.Image().Description().header.clrUsed, 7u);
    EXPECT_TRUE(b.Image().OS2Format());
    ASSERT_NE(b.Image().SavedStream(), nullptr);
    // Drawing drops the saved bytes and the colours-used count.
    b.Canvas().SetPixel(0, 0, clRed);
    EXPECT_EQ(b.Image().SavedStream(), nullptr);
    EXPECT_EQ(b.Image().Description().header.clrUsed, 0u);
}

TEST(Bitmap, PrivateCopiesLeaveAHalftonePaletteBehind) {
    TBitmap b;
    b.AdoptImage(platform::Surface::CreateDisplay(2, 2), platform::CreateHalftonePalette(), {}, nullptr, false);
    EXPECT_TRUE(b.Image().Halftone());
    TBitmap shared;
    shared.AssignFrom(&b);
    shared.Canvas().SetPixel(0, 0, clRed);
    EXPECT_EQ(shared.Palette(), nullptr);
    EXPECT_FALSE(shared.Image().Halftone());
    EXPECT_NE(b.Palette(), nullptr);
}

TEST(Bitmap, ReleaseHandleEmptiesAndKeepsThePalette) {
    auto b = Filled(3, 3, clRed);
    b->SetPixelFormat(TPixelFormat::Bit4);
    auto palette = b->Palette();
    b->ReleaseHandle();
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_EQ(b->Width(), 0);
    EXPECT_EQ(b->Palette(), palette);
}

TEST(Bitmap, SetPaletteRebuildsTheColourTable) {
    auto b = Filled(2, 1, clRed);
    b->SetPixelFormat(TPixelFormat::Bit8);
    auto gray = std::make_shared<const platform::Palette>(
        std::vector<platform::PaletteEntry>{{0, 0, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}});
    TBitmap shared;
    shared.AssignFrom(b.get());
    b->SetPalette(gray);
    EXPECT_EQ(b->Palette(), gray);
    EXPECT_EQ(PixelOf(*b, 0, 0), kRed);
    EXPECT_EQ(b->Image().Handle()->Colors()[2], (platform::RgbQuad{255, 255, 255, 0}));
    EXPECT_NE(shared.Palette(), gray);
    b->SetPalette(nullptr);
    EXPECT_EQ(b->Palette(), nullptr);
}

TEST(Bitmap, TransparentDrawingLeavesTheTransparentColour) {
    auto sprite = Filled(3, 1, clRed);
    sprite->Canvas().SetPixel(1, 0, clLime);
    sprite->SetTransparent(true);
    EXPECT_EQ(sprite->TransparentColor(), static_cast<TColor>(kRed));
    auto target = Filled(5, 1, clBlue);
    target->Canvas().DrawGraphic(1, 0, sprite.get());
    const ColorRef expected[5] = {kBlue, kBlue, kLime, kBlue, kBlue};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelOf(*target, x, 0), expected[x]) << x;
    ASSERT_NE(sprite->MaskHandle(), nullptr);
    EXPECT_TRUE(sprite->MaskHandle()->IsMonochrome());
}

TEST(Bitmap, StreamRoundTripWritesABitmapFile) {
    auto b = Filled(3, 2, clRed);
    b->SetPixelFormat(TPixelFormat::Bit24);
    TMemoryStream s;
    b->SaveStream(s);
    ASSERT_EQ(s.Size(), 14 + 40 + 2 * 12);
    EXPECT_EQ(s.Memory()[0], 'B');
    EXPECT_EQ(s.Memory()[1], 'M');
    // Blue, green, red of the first pixel right behind the headers.
    EXPECT_EQ(s.Memory()[54], 0);
    EXPECT_EQ(s.Memory()[56], 255);
    TBitmap same;
    same.AssignFrom(b.get());
    EXPECT_TRUE(b->SameContent(&same));
    auto other = Filled(3, 2, clBlue);
    other->SetPixelFormat(TPixelFormat::Bit24);
    EXPECT_FALSE(b->SameContent(other.get()));
}

TEST(Bitmap, EmbeddedAndClipboardDataCarryTheFile) {
    auto b = Filled(2, 2, clBlue);
    TMemoryStream file;
    b->SaveStream(file);
    TMemoryStream embedded;
    b->WriteEmbedded(embedded);
    ASSERT_EQ(embedded.Size(), file.Size() + 4);
    int32_t count;
    std::memcpy(&count, embedded.Memory(), 4);
    EXPECT_EQ(count, file.Size());
    EXPECT_EQ(std::memcmp(embedded.Memory() + 4, file.Memory(), static_cast<size_t>(file.Size())), 0);

    uint16_t format = 0;
    TMemoryStream clip;
    platform::PaletteHandle palette;
    b->SaveClipboard(format, clip, palette);
    EXPECT_EQ(format, 8);
    ASSERT_EQ(clip.Size(), file.Size() - 14);
    EXPECT_EQ(std::memcmp(clip.Memory(), file.Memory() + 14, static_cast<size_t>(clip.Size())), 0);
    EXPECT_THROW_MSG(b->LoadClipboard(2, clip, nullptr), EInvalidGraphic, "画像フォーマットが不正です");
}

TEST(Bitmap, TransparentColourDefaultsAndModes) {
    auto b = Filled(2, 2, clRed);
    b->Canvas().SetPixel(0, 1, clBlue);
    EXPECT_EQ(b->TransparentMode(), TTransparentMode::Auto);
    EXPECT_EQ(b->TransparentColor(), static_cast<TColor>(kBlue));
    b->SetTransparentMode(TTransparentMode::Fixed);
    b->Canvas().SetPixel(0, 1, clLime);
    EXPECT_EQ(b->TransparentColor(), static_cast<TColor>(kBlue));
    b->SetTransparentMode(TTransparentMode::Auto);
    EXPECT_EQ(b->TransparentColor(), static_cast<TColor>(kLime));
    TBitmap mono;
    mono.AdoptImage(platform::Surface::CreateMonochrome(2, 2), nullptr, {}, nullptr, false);
    EXPECT_EQ(mono.TransparentColor(), clWhite);
}

TEST(Bitmap, HandleTypeSwitchesBetweenSectionAndDevice) {
    auto b = Filled(2, 2, clRed);
    EXPECT_EQ(b->HandleType(), TBitmapHandleType::DDB);
    b->SetHandleType(TBitmapHandleType::DIB);
    EXPECT_EQ(b->HandleType(), TBitmapHandleType::DIB);
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::Bit32);
    EXPECT_EQ(PixelOf(*b, 1, 1), kRed);
    b->SetHandleType(TBitmapHandleType::DDB);
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::Device);
    EXPECT_EQ(PixelOf(*b, 1, 1), kRed);
}

TEST(Bitmap, SizedWhereAFreedPictureLayIsWhiteAndKeepsOnlyItsOwnPixels) {
    // Each bitmap takes the memory of the red one freed before it.
    Filled(1024, 600, clRed).reset();
    TBitmap fresh;
    fresh.SetHeight(600);
    fresh.SetWidth(1000);
    EXPECT_TRUE(AllPixels(fresh, [](int, int, ColorRef c) { return c == kWhite; }));

    auto blue = Filled(1024, 600, clBlue);
    Filled(1024, 600, clRed).reset();
    blue->SetWidth(1000);
    EXPECT_TRUE(AllPixels(*blue, [](int, int, ColorRef c) { return c == kBlue; }));
}

}  // namespace
}  // namespace zavo
