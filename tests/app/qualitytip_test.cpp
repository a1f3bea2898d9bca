#include <QFile>

#include <fstream>
#include <regex>

#include "base/numbertext.h"
#include "base/streams.h"
#include "codec/jpegimage.h"
#include "codec/picturefile.h"
#include "codec/qualityfigures.h"
#include "support/apptest.h"
#include "support/testutil.h"

using namespace zavo;

namespace {

std::vector<uint8_t> Held() {
    TMemoryStream m;
    mainview::newjpeg->SaveStream(m);
    return std::vector<uint8_t>(m.Memory(), m.Memory() + m.Size());
}

// The figures of the held bytes against the source picture, measured here on this thread.
TQualityFigures HeldFigures(const std::vector<uint8_t>& bytes) {
    TBitmap pixels;
    pixels.AssignFrom(mainview::srcjpeg->Bitmap());
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    m.SetPosition(0);
    return MeasureJpeg(*WithPlainRows(pixels), m);
}

class Window : public zavotest::AppTest {
protected:
    void Load(const std::string& path) {
        TOpenDialog::ExecuteHook = [path](TOpenDialog& d) {
            d.SetFileName(path);
            return true;
        };
        main->loading->Click();
        TOpenDialog::ExecuteHook = nullptr;
    }
};

class WindowPath : public Window, public ::testing::WithParamInterface<const char*> {};

}  // namespace

// A first load in the window and the batch's path make the same bytes, whatever the format.
TEST_P(WindowPath, FirstLoadCompressesAsTheBatchDoes) {
    const std::string path = zavotest::TestData(GetParam());
    Load(path);
    ASSERT_TRUE(errors.empty()) << errors.front();
    std::unique_ptr<TBitmap> pixels = DrawPictureFile(path);
    TPictureCompressor compressor(*pixels);
    EXPECT_EQ(Held(), compressor.Compress(80));
    main->press->SetText("35");
    main->presson(main->press);
    EXPECT_EQ(Held(), compressor.Compress(35));
}

INSTANTIATE_TEST_SUITE_P(Formats, WindowPath,
                         ::testing::Values("bmpsuite/g/pal8.bmp", "bmpsuite/g/rgb24.bmp", "bmpsuite/g/rgb24pal.bmp",
                                           "bmpsuite/q/rgb24prof.bmp", "pillow/bmp/hopper_rle8.bmp", "libjpeg-turbo/testorig.jpg",
                                           "pillow/ico/hopper.ico", "pillow/wmf-emf/drawing.emf",
                                           "pillow/wmf-emf/drawing.wmf", "metafile/emf-inkscape/ink_drawing.emf"));

TEST_F(Window, SizeHintGivesTheFiguresOfTheBytesShown) {
    const std::string path = zavotest::TestData("libjpeg-turbo/testorig.jpg");
    Load(path);
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
        std::string expected = "PSNR " + PsnrText(f.psnr) + " dB, SSIM " + SsimText(f.ssim) + ", " + share + " % of the source";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !main->savesize->Hint().empty(); }, 10000)) << quality;
        EXPECT_EQ(main->savesize->Hint(), expected) << quality;
        EXPECT_TRUE(std::regex_match(main->savesize->Hint(),
                                     std::regex(R"(PSNR \d+\.\d dB, SSIM [01]\.\d{3}, \d+\.\d % of the source)")));
        EXPECT_EQ(main->savesize->Caption(), caption);
        EXPECT_EQ(main->savesize->Widget()->toolTip().toStdString(), expected);
    }
}

TEST_F(Window, OnlyTheNewestRecompressionFillsTheHint) {
    Load(zavotest::TestData("bmpsuite/g/rgb24.bmp"));
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
              "PSNR " + PsnrText(f.psnr) + " dB, SSIM " + SsimText(f.ssim));
}
