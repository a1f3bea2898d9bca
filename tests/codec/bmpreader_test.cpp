#include "codec/bmpreader.h"

#include <map>
#include <set>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/bmpbytes.h"
#include "codec/referenceimage.h"
#include "support/testutil.h"

using namespace zavo;
using zavotest::BmpBytes;
using zavotest::Bmp24;

namespace {

const char* kInvalid = "ビットマップイメージが不正です";
const char* kShort = "ストリームからの読み込みエラー";
const char* kNoResources = "システム リソースが足りません";

const platform::Surface& Pixels(const TBitmap& b) {
    const platform::Surface* s = b.Image().Handle();
    if (!s) throw std::runtime_error("bitmap has no pixels");
    return *s;
}

std::string Suite(const std::string& file) { return zavotest::TestData("bmpsuite/" + file); }
std::string Writer(const std::string& file) { return zavotest::OwnData("bmp/" + file); }

// A file another program wrote from source_61x37.png loads to exactly its source's pixels.
void ExpectWriterFileMatchesSource(const std::string& file) {
    SCOPED_TRACE(file);
    TBitmap b;
    b.LoadFile(Writer(file));
    EXPECT_EQ(zavotest::FirstDifference(Pixels(b), zavotest::ReadReference(Writer("source_61x37.png"))), "");
}

void Load(TBitmap& b, const BmpBytes& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.bytes.data(), static_cast<int64_t>(bytes.bytes.size()));
    s.SetPosition(0);
    b.LoadStream(s);
}


// Loads a file; returns the refusal's message, or empty when it loaded. Only the program's
// bitmap refusals count as refusals; anything else fails the test.
std::string TryLoad(TBitmap& b, const std::string& path) {
    try {
        b.LoadFile(path);
        return {};
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), kInvalid) << path;
        return e.Message();
    } catch (const EReadError& e) {
        return e.Message();
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), kNoResources) << path;
        return e.Message();
    }
}

// The reference among a row's references that has the size the file loaded to.
std::string ReferenceOf(const zavotest::SuiteFile& f, const platform::Surface& s) {
    for (const std::string& r : f.references) {
        QImage img = zavotest::ReadReference(Suite(r));
        if (img.width() == s.Width() && img.height() == s.Height()) return r;
    }
    return f.references.empty() ? std::string() : f.references.front();
}

}  // namespace

TEST(BmpReader, DecodesEveryGoodSuiteFileToItsReference) {
    ZAVO_NEEDS_TESTDATA();
    int checked = 0;
    for (const auto& f : zavotest::SuiteFiles(Suite("EXPECTED.tsv"))) {
        if (f.kind != "g") continue;
        SCOPED_TRACE(f.file);
        TBitmap b;
        b.LoadFile(Suite(f.file));
        EXPECT_EQ(b.Width(), f.width);
        EXPECT_EQ(b.Height(), f.height);
        const platform::Surface& s = Pixels(b);
        const std::string ref = ReferenceOf(f, s);
        EXPECT_EQ(zavotest::FirstDifference(s, zavotest::ReadReference(Suite(ref))), "") << ref;
        ++checked;
    }
    EXPECT_GE(checked, 25);
}

TEST(BmpReader, QuestionableSuiteFilesLoadToTheirSizeOrAreRefused) {
    ZAVO_NEEDS_TESTDATA();
    // What this program's rules make of them: refused for 2 bits, more than 256 colours, embedded
    // JPEG/PNG, OS/2 Huffman and RLE24 coding, 64 bits and the alpha-bit-field compression.
    const std::set<std::string> refused = {
        "q/pal2.bmp", "q/pal2color.bmp", "q/pal8oversizepal.bmp", "q/rgb24largepal.bmp", "q/rgb24jpeg.bmp",
        "q/rgb24png.bmp", "q/rgb24rle24.bmp", "q/pal1huffmsb.bmp", "q/rgba64.bmp", "q/rgba32abf.bmp"};
    // Decoded exactly like a reference: offsets honoured, OS/2 variants, skipped RLE pixels black.
    const std::map<std::string, std::string> matching = {
        {"q/pal8offs.bmp", "html/pal8.png"},          {"q/pal8os2-sz.bmp", "html/pal8.png"},
        {"q/pal8os2-hs.bmp", "html/pal8.png"},        {"q/pal8os2v2.bmp", "html/pal8.png"},
        {"q/pal8os2v2-16.bmp", "html/pal8.png"},      {"q/pal8os2v2-sz.bmp", "html/pal8.png"},
        {"q/pal8os2v2-40sz.bmp", "html/pal8.png"},    {"q/pal4rletrns.bmp", "html/pal4rletrns-b.png"},
        {"q/pal8rletrns.bmp", "html/pal8rletrns-b.png"}, {"q/pal4rlecut.bmp", "html/pal4rlecut-b.png"},
        {"q/pal8rlecut.bmp", "html/pal8rlecut-b.png"},  {"q/rgb16faketrns.bmp", "html/rgb16.png"},
        {"q/rgb24prof.bmp", "html/rgb24.png"},        {"q/rgb24lprof.bmp", "html/rgb24.png"},
        {"q/rgb32fakealpha.bmp", "html/rgb24.png"},   {"q/rgb32-xbgr.bmp", "html/rgb24.png"},
        {"q/pal1p1.bmp", "html/pal1p1.png"},          {"q/rgb32h52.bmp", "html/rgb24.png"},
        // Odd bit fields, each channel scaled over its full range.
        {"q/rgb16-231.bmp", "html/rgb16-231.png"},    {"q/rgb16-3103.bmp", "html/rgb16-3103.png"},
        {"q/rgb32-7187.bmp", "html/rgb32-7187.png"},  {"q/rgba32-81284.bmp", "html/rgba32-81284.png"},
        {"q/rgba32-61754.bmp", "html/rgba32-61754.png"}, {"q/rgb32-111110.bmp", "html/rgb24.png"},
        {"q/rgba16-4444.bmp", "html/rgba16-4444.png"},  {"q/rgba16-5551.bmp", "html/rgba16-5551.png"},
        {"q/rgba16-1924.bmp", "html/rgba16-1924.png"},  {"q/rgba32-1.bmp", "html/rgba32.png"},
        {"q/rgba32-2.bmp", "html/rgba32.png"},          {"q/rgba32-1010102.bmp", "html/rgba32-1010102.png"},
        {"q/rgba32h56.bmp", "html/rgba32.png"},         {"q/rgb24prof2.bmp", "html/rgb24.png"}};
    // Alpha is not read: where the reference is fully transparent it holds no colour to compare.
    // The 11-bit channels may round either way. The colour profile is not applied, so red and
    // green stay as stored, swapped.
    const std::set<std::string> alpha = {"q/rgba16-4444.bmp", "q/rgba16-5551.bmp", "q/rgba16-1924.bmp",
                                         "q/rgba32-1.bmp",    "q/rgba32-2.bmp",    "q/rgba32-1010102.bmp",
                                         "q/rgba32h56.bmp"};
    const auto reference = [](const std::string& file, const std::string& png) {
        QImage image = zavotest::ReadReference(Suite(png));
        if (file != "q/rgb24prof2.bmp") return image;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                image.setPixel(x, y, qRgba(qGreen(p), qRed(p), qBlue(p), qAlpha(p)));
            }
        return image;
    };
    for (const auto& f : zavotest::SuiteFiles(Suite("EXPECTED.tsv"))) {
        if (f.kind != "q") continue;
        SCOPED_TRACE(f.file);
        TBitmap b;
        const std::string refusal = TryLoad(b, Suite(f.file));
        if (refused.count(f.file)) {
            EXPECT_EQ(refusal, kInvalid);
            continue;
        }
        ASSERT_EQ(refusal, "");
        EXPECT_EQ(b.Width(), f.width);
        EXPECT_EQ(b.Height(), f.height);
        auto m = matching.find(f.file);
        // Its pixels are read right behind its short colour table, not at the offset the
        // reference honours.
        if (m == matching.end()) {
            EXPECT_EQ(f.file, "q/pal8os2sp.bmp");
        } else {
            EXPECT_EQ(zavotest::FirstDifference(Pixels(b), reference(f.file, m->second), f.file == "q/rgb32-111110.bmp",
                                                alpha.count(f.file) > 0),
                      "");
        }
    }
}

TEST(BmpReader, BadSuiteFilesAreRefusedUnlessTheirFlawLiesOutsideTheRules) {
    ZAVO_NEEDS_TESTDATA();
    // Density, file size and palette indices are not judged; a pixel count beyond the file is cut
    // to the file; a file cut short in its pixels loads what it has. A channel without mask bits
    // is a format no surface has.
    // Run-length data reaching past its rows is clipped to them.
    const std::set<std::string> loading = {"b/baddens1.bmp",    "b/baddens2.bmp",   "b/badfilesize.bmp",
                                           "b/pal8badindex.bmp", "b/badbitssize.bmp", "b/shortfile.bmp",
                                           "b/badrle4.bmp",      "b/badrle4bis.bmp",  "b/badrle4ter.bmp",
                                           "b/badrle.bmp",       "b/badrlebis.bmp",   "b/badrleter.bmp"};
    const std::map<std::string, std::string> refusals = {
        {"b/badbitcount.bmp", kInvalid}, {"b/badheadersize.bmp", kInvalid}, {"b/badpalettesize.bmp", kInvalid},
        {"b/badplanes.bmp", kInvalid},   {"b/badwidth.bmp", kInvalid},      {"b/rletopdown.bmp", kInvalid},
        {"b/reallybig.bmp", kNoResources}, {"b/rgb16-880.bmp", kInvalid}, {"x/ba-bm.bmp", kInvalid}};
    int seen = 0;
    for (const auto& f : zavotest::SuiteFiles(Suite("EXPECTED.tsv"))) {
        if (f.kind != "b" && f.kind != "x") continue;
        SCOPED_TRACE(f.file);
        ++seen;
        TBitmap b;
        const std::string refusal = TryLoad(b, Suite(f.file));
        if (loading.count(f.file)) {
            EXPECT_EQ(refusal, "");
            EXPECT_EQ(b.Width(), f.width);
            EXPECT_EQ(b.Height(), f.height);
        } else {
            ASSERT_TRUE(refusals.count(f.file)) << "no expectation";
            EXPECT_EQ(refusal, refusals.at(f.file));
            EXPECT_TRUE(b.IsEmpty());
        }
    }
    EXPECT_EQ(seen, static_cast<int>(loading.size() + refusals.size()));
}

TEST(BmpReader, OtherProgramsBitmapsLoad) {
    ZAVO_NEEDS_TESTDATA();
    struct Case {
        const char* file;
        int width, height;
    };
    for (const Case& c : {Case{"pillow/bmp/hopper.bmp", 128, 128}, Case{"pillow/bmp/hopper_rle8.bmp", 128, 128},
                          Case{"pillow/bmp/hopper_rle8_grayscale.bmp", 256, 10},
                          Case{"pillow/bmp/rgb32bf-abgr.bmp", 127, 64}, Case{"pillow/bmp/rgb32bf-rgba.bmp", 127, 64},
                          Case{"pillow/bmp/mmap_error.bmp", 127, 64},
                          Case{"libjpeg-turbo/shira_bird8.bmp", 192, 144},
                          Case{"libjpeg-turbo/vgl_6434_0018a.bmp", 119, 96},
                          Case{"libjpeg-turbo/vgl_6548_0026a.bmp", 128, 95}}) {
        SCOPED_TRACE(c.file);
        TBitmap b;
        b.LoadFile(zavotest::TestData(c.file));
        EXPECT_EQ(b.Width(), c.width);
        EXPECT_EQ(b.Height(), c.height);
    }
    TBitmap gray;
    gray.LoadFile(zavotest::TestData("pillow/bmp/hopper_rle8_grayscale.bmp"));
    EXPECT_EQ(zavotest::FirstDifference(Pixels(gray), zavotest::ReadReference(zavotest::TestData("pillow/bmp/bw_gradient.png"))), "");
    TBitmap plain, rle;
    plain.LoadFile(zavotest::TestData("pillow/bmp/hopper.bmp"));
    rle.LoadFile(zavotest::TestData("pillow/bmp/hopper_rle8.bmp"));
    EXPECT_EQ(Pixels(plain).Width(), Pixels(rle).Width());
}

TEST(BmpReader, PillowRle8RowsOverflowingTheirWidthAreClipped) {
    ZAVO_NEEDS_TESTDATA();
    // The first rows carry 382 pixels for 128; dropping the excess leaves hopper_rle8.bmp exactly.
    TBitmap overflow, rle;
    overflow.LoadFile(zavotest::TestData("pillow/bmp/hopper_rle8_row_overflow.bmp"));
    rle.LoadFile(zavotest::TestData("pillow/bmp/hopper_rle8.bmp"));
    ASSERT_EQ(overflow.Width(), 128);
    int differing = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) differing += Pixels(overflow).Pixel(x, y) != Pixels(rle).Pixel(x, y);
    EXPECT_EQ(differing, 0);
}

TEST(BmpReader, HostileFilesOfOtherProgramsAreRefused) {
    ZAVO_NEEDS_TESTDATA();
    TBitmap b;
    EXPECT_THROW_MSG(b.LoadFile(zavotest::TestData("pillow/bmp/l2rgb_read.bmp")), EInvalidGraphic, kInvalid);
    // A bare info header without the file header.
    EXPECT_THROW_MSG(b.LoadFile(zavotest::TestData("pillow/bmp/clipboard.dib")), EInvalidGraphic, kInvalid);
    EXPECT_TRUE(b.IsEmpty());
}

TEST(BmpReader, AnEmptyFileGivesAnEmptyBitmap) {
    TBitmap b;
    Load(b, Bmp24(3, 3));
    int changes = 0;
    b.OnChange = [&](TGraphic*) { ++changes; };
    Load(b, BmpBytes{});
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(changes, 1);
}

TEST(BmpReader, ReadsEveryBitDepthPixelExactly) {
    // 2x2 pictures; pixel (x, y) from the top. Palette: 0 black, 1 red, 2 green, 3 blue.
    auto paletted = [](uint16_t bits, std::vector<uint8_t> rows) {
        BmpBytes b = BmpBytes::Windows(2, 2, bits, 0, 4, 54 + 16);
        b.u32(0x000000).u32(0xFF0000).u32(0x00FF00).u32(0x0000FF);
        for (uint8_t v : rows) b.u8(v);
        return b;
    };
    const platform::ColorRef red = platform::MakeColorRef(255, 0, 0), green = platform::MakeColorRef(0, 255, 0),
                             blue = platform::MakeColorRef(0, 0, 255);
    {
        TBitmap b;  // bottom row first: (0,1)=1 (1,1)=0 ; top: (0,0)=0 (1,0)=1
        Load(b, paletted(1, {0x80, 0, 0, 0, 0x40, 0, 0, 0}));
        EXPECT_EQ(Pixels(b).Pixel(0, 1), red);
        EXPECT_EQ(Pixels(b).Pixel(1, 0), red);
        EXPECT_EQ(Pixels(b).Pixel(0, 0), 0u);
    }
    {
        TBitmap b;
        Load(b, paletted(4, {0x12, 0, 0, 0, 0x30, 0, 0, 0}));
        EXPECT_EQ(Pixels(b).Pixel(0, 1), red);
        EXPECT_EQ(Pixels(b).Pixel(1, 1), green);
        EXPECT_EQ(Pixels(b).Pixel(0, 0), blue);
    }
    {
        TBitmap b;
        Load(b, paletted(8, {3, 2, 0, 0, 1, 0, 0, 0}));
        EXPECT_EQ(Pixels(b).Pixel(0, 1), blue);
        EXPECT_EQ(Pixels(b).Pixel(1, 1), green);
        EXPECT_EQ(Pixels(b).Pixel(0, 0), red);
    }
    {
        TBitmap b;
        Load(b, Bmp24(2, 2));
        EXPECT_EQ(Pixels(b).Pixel(1, 0), platform::MakeColorRef(7, 0, 1));
        EXPECT_EQ(Pixels(b).Pixel(0, 1), platform::MakeColorRef(7, 1, 0));
    }
    {
        TBitmap b;  // 16 bits 5-6-5 by bit fields, top-down
        BmpBytes bytes = BmpBytes::Windows(2, -1, 16, 3, 0, 66);
        bytes.u32(0xF800).u32(0x07E0).u32(0x001F).u16(0xF800).u16(0x07E0);
        Load(b, bytes);
        EXPECT_EQ(Pixels(b).Pixel(0, 0), red);
        EXPECT_EQ(Pixels(b).Pixel(1, 0), green);
    }
    {
        TBitmap b;  // 32 bits, plain
        BmpBytes bytes = BmpBytes::Windows(1, 1, 32, 0, 0, 54);
        bytes.u8(0xFF).u8(0).u8(0).u8(0);
        Load(b, bytes);
        EXPECT_EQ(Pixels(b).Pixel(0, 0), blue);
    }
}

TEST(BmpReader, TopDownAndBottomUpFilesGiveTheSamePicture) {
    ZAVO_NEEDS_TESTDATA();
    TBitmap up, down;
    up.LoadFile(Suite("g/pal8.bmp"));
    down.LoadFile(Suite("g/pal8topdown.bmp"));
    EXPECT_EQ(up.Height(), 64);
    EXPECT_EQ(down.Height(), 64);
    EXPECT_EQ(Pixels(up).Pixel(3, 5), Pixels(down).Pixel(3, 5));
    EXPECT_EQ(Pixels(up).Pixel(126, 63), Pixels(down).Pixel(126, 63));
}

TEST(BmpReader, KeepsResolutionColourCountsAndTheOs2Flag) {
    ZAVO_NEEDS_TESTDATA();
    struct Case {
        std::string path;
        int32_t xPels, yPels;
        uint32_t used, important;
    };
    // Plain and run-length files alike.
    for (const Case& c : {Case{Suite("g/pal8.bmp"), 2835, 2835, 252, 0}, Case{Suite("g/pal8rle.bmp"), 2835, 2835, 252, 0},
                          Case{Writer("gimp_rle4_61x37.bmp"), 11811, 11811, 12, 12}}) {
        SCOPED_TRACE(c.path);
        TBitmap b;
        b.LoadFile(c.path);
        const auto& header = b.Image().Description().header;
        EXPECT_EQ(header.xPelsPerMeter, c.xPels);
        EXPECT_EQ(header.yPelsPerMeter, c.yPels);
        EXPECT_EQ(header.clrUsed, c.used);
        EXPECT_EQ(header.clrImportant, c.important);
        EXPECT_FALSE(b.Image().OS2Format());
    }
    TBitmap os2;
    os2.LoadFile(Suite("g/pal8os2.bmp"));
    EXPECT_TRUE(os2.Image().OS2Format());
    EXPECT_EQ(os2.Width(), 127);
}

TEST(BmpReader, TrueColourWithAColourTableGetsAPalette) {
    ZAVO_NEEDS_TESTDATA();
    TBitmap b;
    b.LoadFile(Suite("g/rgb24pal.bmp"));
    ASSERT_NE(b.Palette(), nullptr);
    EXPECT_EQ(b.Palette()->Count(), 256);
    EXPECT_TRUE(b.PaletteModified());
    TBitmap plain;
    plain.LoadFile(Suite("g/rgb24.bmp"));
    EXPECT_EQ(plain.Palette(), nullptr);
    EXPECT_FALSE(plain.PaletteModified());
}

TEST(BmpReader, CompressedFilesKeepTheirBytesAsTheSavedStream) {
    ZAVO_NEEDS_TESTDATA();
    TBitmap b;
    b.LoadFile(Suite("g/pal8rle.bmp"));
    ASSERT_NE(b.Image().SavedStream(), nullptr);
    EXPECT_EQ(b.Image().SavedStream()->Size(), 8788);
    TBitmap plain;
    plain.LoadFile(Suite("g/pal8.bmp"));
    EXPECT_EQ(plain.Image().SavedStream(), nullptr);
}

TEST(BmpReader, AFileCutShortInsideItsPixelsLoadsWhatItHas) {
    TBitmap whole, cut;
    Load(whole, Bmp24(4, 4));
    Load(cut, Bmp24(4, 4).cut_to(54 + 2 * 12 + 3));
    EXPECT_EQ(cut.Width(), 4);
    EXPECT_EQ(cut.Height(), 4);
    // The two bottom rows and the first pixel of the third row from the bottom are there.
    EXPECT_EQ(Pixels(cut).Pixel(0, 3), Pixels(whole).Pixel(0, 3));
    EXPECT_EQ(Pixels(cut).Pixel(3, 2), Pixels(whole).Pixel(3, 2));
    EXPECT_EQ(Pixels(cut).Pixel(0, 1), Pixels(whole).Pixel(0, 1));
    EXPECT_EQ(Pixels(cut).Pixel(1, 1), 0u);
}

TEST(BmpReader, ExcessBytesAndOversizedPixelCountsAreIgnored) {
    BmpBytes longer = Bmp24(3, 2);
    longer.fill(5000, 0xFF);
    TBitmap b;
    Load(b, longer.with_u32_at(34, 5018));
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(Pixels(b).Pixel(2, 0), platform::MakeColorRef(7, 0, 2));
}

TEST(BmpReader, CutShortInItsColourTableIsAReadError) {
    TBitmap b;
    // 100 bytes of a table of 252 colours.
    BmpBytes cut = BmpBytes::Windows(127, 64, 8, 0, 252, 54 + 252 * 4);
    cut.fill(100, 0x40);
    EXPECT_THROW_MSG(Load(b, cut), EReadError, kShort);
    EXPECT_TRUE(b.IsEmpty());
}

TEST(BmpReader, ThePixelOffsetIsHonouredWhenItIsSound) {
    // The same 2x1 picture with a 6-byte gap before its pixels, which hold two different colours.
    BmpBytes gap = BmpBytes::Windows(2, 1, 24, 0, 0, 60);
    gap.fill(6, 0x55).u8(1).u8(2).u8(3).u8(4).u8(5).u8(6).fill(2, 0);
    TBitmap b;
    Load(b, gap);
    EXPECT_EQ(Pixels(b).Pixel(0, 0), platform::MakeColorRef(3, 2, 1));
    EXPECT_EQ(Pixels(b).Pixel(1, 0), platform::MakeColorRef(6, 5, 4));
    // An offset into the headers or beyond the end: the pixels follow the headers.
    for (uint32_t offset : {20u, 100u}) {
        TBitmap c;
        Load(c, gap.with_u32_at(10, offset));
        EXPECT_EQ(Pixels(c).Pixel(0, 0), platform::MakeColorRef(0x55, 0x55, 0x55));
    }
}

TEST(BmpReader, RefusesPicturesThePlatformCannotCreate) {
    TBitmap b;
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u32_at(18, 0)), EInvalidGraphic, kInvalid);
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u32_at(22, 0)), EInvalidGraphic, kInvalid);
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u32_at(18, static_cast<uint32_t>(-2))), EInvalidGraphic, kInvalid);
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u16_at(28, 2)), EInvalidGraphic, kInvalid);
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u16_at(28, 64)), EInvalidGraphic, kInvalid);
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u32_at(30, 9)), EInvalidGraphic, kInvalid);
    // Bit fields need 16 or 32 bits.
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u32_at(30, 3)), EInvalidGraphic, kInvalid);
    // Run-length coding must match the bit count and cannot be top-down.
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u32_at(30, 1)), EInvalidGraphic, kInvalid);
    BmpBytes rle = BmpBytes::Windows(2, -1, 8, 1, 2, 62, 4);
    rle.u32(0).u32(0xFFFFFF).u8(2).u8(1).u8(0).u8(1);
    EXPECT_THROW_MSG(Load(b, rle), EInvalidGraphic, kInvalid);
    EXPECT_TRUE(b.IsEmpty());
}

TEST(BmpReader, DimensionsBeyondTheSurfaceLimitAreRefusedBeforeAllocating) {
    TBitmap b;
    EXPECT_THROW_MSG(Load(b, Bmp24(2, 2).with_u32_at(18, 0x7FFFFFFF).with_u32_at(22, 0x7FFFFFFF)), EOutOfResources,
                     kNoResources);
    BmpBytes rle = BmpBytes::Windows(40000, 40000, 8, 1, 2, 62, 4);
    rle.u32(0).u32(0xFFFFFF).u8(0).u8(1);
    EXPECT_THROW_MSG(Load(b, rle), EOutOfResources, kNoResources);
}

TEST(BmpReader, RunLengthFilesDecodeWithTheirPalette) {
    BmpBytes rle = BmpBytes::Windows(4, 2, 4, 2, 2, 62, 8);
    rle.u32(0x0000FF).u32(0xFFFF00).u8(4).u8(0x01).u8(0).u8(0).u8(2).u8(0x11).u8(0).u8(1);
    TBitmap b;
    Load(b, rle);
    EXPECT_EQ(Pixels(b).Pixel(0, 1), platform::MakeColorRef(0, 0, 255));
    EXPECT_EQ(Pixels(b).Pixel(1, 1), platform::MakeColorRef(255, 255, 0));
    EXPECT_EQ(Pixels(b).Pixel(1, 0), platform::MakeColorRef(255, 255, 0));
    // Pixels the data never reaches stay black.
    EXPECT_EQ(Pixels(b).Pixel(3, 0), 0u);
    ASSERT_NE(b.Palette(), nullptr);
}

TEST(BmpReader, GimpRle4AtAnOddWidthMatchesItsSource) { ExpectWriterFileMatchesSource("gimp_rle4_61x37.bmp"); }

TEST(BmpReader, ImageMagickRle8AtAnOddWidthMatchesItsSource) {
    // Both header versions; each row's last run reaches past the row end to a multiple of four.
    ExpectWriterFileMatchesSource("imagemagick_rle8_bmp3_61x37.bmp");
    ExpectWriterFileMatchesSource("imagemagick_rle8_bmp_61x37.bmp");
}

TEST(BmpReader, ImageMagickArgb4444MatchesItsSource) {
    ExpectWriterFileMatchesSource("imagemagick_argb4444_61x37.bmp");
}

TEST(BmpReader, BitFieldChannelsOfEveryWidthSpanTheFullRange) {
    // Red holds the listed values, green all ones, blue zero; red lies lowest, then green, then blue.
    struct Case {
        int bits;  // channel width
        std::vector<uint32_t> values;
        std::vector<int> expected;
    };
    for (const Case& c : {Case{1, {0, 1}, {0, 255}}, Case{4, {1, 8, 15}, {17, 136, 255}},
                          Case{5, {1, 16, 31}, {8, 132, 255}}, Case{6, {1, 32, 63}, {4, 130, 255}},
                          Case{8, {1, 128, 255}, {1, 128, 255}}, Case{10, {1, 4, 512, 1023}, {0, 1, 128, 255}}}) {
        const uint32_t full = (1u << c.bits) - 1;
        const uint32_t masks[3] = {full, full << c.bits, full << 2 * c.bits};
        for (uint16_t pixelBits : {uint16_t{16}, uint16_t{32}}) {
            if (3 * c.bits > pixelBits) continue;
            SCOPED_TRACE(std::to_string(c.bits) + " bits in " + std::to_string(pixelBits));
            const int w = static_cast<int>(c.values.size());
            BmpBytes bytes = BmpBytes::Windows(w, -1, pixelBits, 3, 0, 66);
            bytes.u32(masks[0]).u32(masks[1]).u32(masks[2]);
            for (uint32_t v : c.values) {
                const uint32_t p = v | masks[1];
                pixelBits == 16 ? bytes.u16(static_cast<uint16_t>(p)) : bytes.u32(p);
            }
            bytes.fill(4, 0);
            TBitmap b;
            Load(b, bytes);
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(Pixels(b).Pixel(x, 0),
                          platform::MakeColorRef(static_cast<uint8_t>(c.expected[static_cast<size_t>(x)]), 255, 0))
                    << x;
        }
    }
}
