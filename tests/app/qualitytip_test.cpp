#include <QFile>

#include <fstream>
#include <regex>

#include "base/numbertext.h"
#include "base/streams.h"
#include "codec/jpegimage.h"
#include "codec/picturefile.h"
#include "codec/qualityfigures.h"
#include "comparisonfixture.h"
#include "support/testutil.h"

using namespace zavo;

namespace {

std::vector<uint8_t> Held() {
    TMemoryStream m;
    mainview::newjpeg->SaveStream(m);
    return std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size());
}

TQualityFigures HeldFigures(const std::vector<uint8_t>& bytes) { return zavotest::SourceFigures(bytes.data(), bytes.size()); }

class Window : public zavotest::AppTest {
protected:
    // Loads the file through the open dialog; fails unless it loaded without an error.
    ::testing::AssertionResult Load(const std::string& path) {
        TOpenDialog::ExecuteHook = [path](TOpenDialog& d) {
            d.SetFileName(path);
            return true;
        };
        main->loading->Click();
        TOpenDialog::ExecuteHook = nullptr;
        if (!errors.empty()) return ::testing::AssertionFailure() << path << ": " << errors.front();
        if (mainview::newjpeg == nullptr || mainview::newjpeg->IsEmpty())
            return ::testing::AssertionFailure() << path << " gave no compressed picture";
        return ::testing::AssertionSuccess();
    }
};

class WindowPath : public Window, public ::testing::WithParamInterface<const char*> {
protected:
    // A first load in the window and the batch's path make the same bytes, whatever the format.
    void ExpectTheBatchsBytes(const std::string& path) {
        ASSERT_TRUE(Load(path));
        std::unique_ptr<TBitmap> pixels = DrawPictureFile(path);
        TPictureCompressor compressor(*pixels);
        EXPECT_EQ(Held(), compressor.Compress(80));
        main->press->SetText("35");
        main->presson(main->press);
        EXPECT_EQ(Held(), compressor.Compress(35));
    }
};

class WindowOwnFile : public WindowPath {};

class WindowTestFile : public WindowPath {
protected:
    void SetUp() override {
        ZAVO_NEEDS_TESTDATA();
        WindowPath::SetUp();
    }
};

}  // namespace

TEST_P(WindowOwnFile, FirstLoadCompressesAsTheBatchDoes) { ExpectTheBatchsBytes(zavotest::OwnData(GetParam())); }

INSTANTIATE_TEST_SUITE_P(Formats, WindowOwnFile,
                         ::testing::Values("bmp/gimp_rle4_61x37.bmp", "bmp/imagemagick_rle8_bmp_61x37.bmp",
                                           "bmp/imagemagick_argb4444_61x37.bmp", "jpeg/cjpeg_61x37.jpg",
                                           "jpeg/cjpeg_gray_61x37.jpg", "ico/pillow_32bit_nomask.ico",
                                           "metafile/photo/lo_photo.wmf", "metafile/photo/ink_photo.emf"));

TEST_P(WindowTestFile, FirstLoadCompressesAsTheBatchDoes) { ExpectTheBatchsBytes(zavotest::TestData(GetParam())); }

INSTANTIATE_TEST_SUITE_P(Formats, WindowTestFile,
                         ::testing::Values("bmpsuite/g/pal8.bmp", "bmpsuite/g/rgb24.bmp", "bmpsuite/g/rgb24pal.bmp",
                                           "bmpsuite/q/rgb24prof.bmp", "pillow/bmp/hopper_rle8.bmp", "libjpeg-turbo/testorig.jpg",
                                           "pillow/ico/hopper.ico", "pillow/wmf-emf/drawing.emf",
                                           "pillow/wmf-emf/drawing.wmf", "metafile/emf-inkscape/ink_drawing.emf"));

TEST_F(Window, SizeHintGivesTheFiguresOfTheBytesShown) {
    const std::string path = zavotest::OwnData("jpeg/cjpeg_61x37.jpg");
    ASSERT_TRUE(Load(path));
    const int64_t sourceSize = QFile(QString::fromStdString(path)).size();
    for (const char* quality : {"80", "20", "95"}) {
        main->press->SetText(quality);
        main->presson(main->press);
        // The hint is emptied at once and filled when the worker is done.
        EXPECT_EQ(main->savesize->Hint(), "");
        const std::string caption = main->savesize->Caption();
        std::vector<uint8_t> bytes = Held();
        TQualityFigures f = HeldFigures(bytes);
        char share[32];
        std::snprintf(share, sizeof share, "%.1f", 100.0 * double(bytes.size()) / double(sourceSize));
        std::string expected = "PSNR " + PsnrText(f.psnr) + " dB, SSIM " + SsimText(f.ssim) + " (最低 " + SsimText(f.worst) +
                               "), " + share + " % of the source";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !main->savesize->Hint().empty(); }, 10000)) << quality;
        EXPECT_EQ(main->savesize->Hint(), expected) << quality;
        EXPECT_TRUE(std::regex_match(main->savesize->Hint(),
                                     std::regex(R"(PSNR \d+\.\d dB, SSIM [01]\.\d{3} \(最低 -?[01]\.\d{3}\), \d+\.\d % of the source)")));
        EXPECT_EQ(main->savesize->Caption(), caption);
        EXPECT_EQ(main->savesize->Widget()->toolTip().toStdString(), expected);
    }
}

TEST_F(Window, OnlyTheNewestRecompressionFillsTheHint) {
    ASSERT_TRUE(Load(zavotest::OwnData("bmp/gimp_rle4_61x37.bmp")));
    for (const char* quality : {"10", "50", "90", "30"}) {
        main->press->SetText(quality);
        main->presson(main->press);
    }
    std::vector<uint8_t> bytes = Held();
    TQualityFigures f = HeldFigures(bytes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->savesize->Hint().empty(); }, 10000));
    // Figures of earlier qualities may still arrive; none of them may stay.
    QTest::qWait(300);
    EXPECT_EQ(main->savesize->Hint().substr(0, main->savesize->Hint().find(", ", 20)),
              "PSNR " + PsnrText(f.psnr) + " dB, SSIM " + SsimText(f.ssim) + " (最低 " + SsimText(f.worst) + ")");
}
