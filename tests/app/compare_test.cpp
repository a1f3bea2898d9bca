#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include "codec/precompute.h"
#include "comparisonfixture.h"

using namespace zavo;

namespace {

using zavotest::Bmp24;
using zavotest::Comparison;
using zavotest::Put16;
using zavotest::Put32;

TEST_F(Comparison, LoadShowsBothPicturesAndTheirSizes) {
    zavotest::WriteFile(dir + "/a.bmp", Bmp24(300, 200, 1));
    Load(dir + "/a.bmp");
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(main->exsize->Caption(), "175 k");  // 54 + 900 x 200 bytes
    EXPECT_EQ(main->ex->Width(), 300);
    EXPECT_EQ(main->ex->Height(), 200);
    EXPECT_EQ(main->new_->Width(), 300);
    EXPECT_EQ(main->new_->Height(), 200);
    std::string bytes = Held();
    EXPECT_EQ(bytes, Expected(80, 300, 200, 1));
    EXPECT_EQ(main->savesize->Caption(), std::to_string(bytes.size() / 1024) + " k");
    EXPECT_EQ(mainview::workstream->Size(), 0);
    EXPECT_EQ(main->new_->ShownImage().size(), QSize(300, 200));
    EXPECT_EQ(main->ex->ShownImage().pixel(10, 20) & 0xFFFFFF,
              qRgb((10 ^ 20) + 1, 20 * 3 + 1, 10 * 5 + 1) & 0xFFFFFF);
}

TEST_F(Comparison, SizeLabelsTruncateToWholeKilobytesAndShowLargeFilesInFull) {
    struct Case {
        size_t size;
        const char* caption;
    };
    for (const Case& c : {Case{1023, "0 k"}, Case{1024, "1 k"}, Case{2047, "1 k"}}) {
        zavotest::WriteFile(dir + "/s.bmp", Bmp24(4, 4, 0, c.size));
        Load(dir + "/s.bmp");
        EXPECT_EQ(main->exsize->Caption(), c.caption) << c.size;
    }
    // A 3 GiB file (sparse) whose picture sits at its start.
    std::string big = dir + "/big.bmp";
    zavotest::WriteFile(big, Bmp24(4, 4, 0));
    ASSERT_EQ(::truncate(big.c_str(), off_t(3) << 30), 0);
    Load(big);
    EXPECT_EQ(main->exsize->Caption(), "3145728 k");
}

TEST_F(Comparison, QualityTextsFollowTheIntegerRuleAndOutOfRangeValuesAreClamped) {
    zavotest::WriteFile(dir + "/a.bmp", Bmp24(64, 48, 7));
    Load(dir + "/a.bmp");
    struct Case {
        const char* text;
        int quality;
    } cases[] = {{" 50", 50}, {"$32", 50}, {"300", 100}, {"0", 1}, {"-5", 1}, {"100", 100}};
    for (const Case& c : cases) {
        main->press->SetText(c.text);
        main->presson(main->press);
        EXPECT_EQ(Held(), Expected(c.quality, 64, 48, 7)) << c.text;
    }
    EXPECT_TRUE(errors.empty());
    main->press->SetText("60");
    main->presson(main->press);
    std::string at60 = Held();
    for (const char* bad : {"50 ", "", "5a"}) {
        main->press->SetText(bad);
        EXPECT_THROW_MSG(main->presson(main->press), EConvertError, std::string("'") + bad + "' は整数ではありません");
        EXPECT_EQ(Held(), at60);
    }
}

TEST_F(Comparison, AConversionErrorReachesTheErrorBoxAndChangesNothing) {
    zavotest::WriteFile(dir + "/a.bmp", Bmp24(64, 48, 7));
    Load(dir + "/a.bmp");
    std::string before = Held();
    std::string label = main->savesize->Caption();
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    main->press->SetText("5a");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), "'5a' は整数ではありません.");
    EXPECT_EQ(Held(), before);
    EXPECT_EQ(main->savesize->Caption(), label);
}

TEST_F(Comparison, NothingHappensBeforeALoad) {
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    main->press->SetText("zz");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    main->pressud->Step(TUDBtnType::Up);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(main->savesize->Caption(), "0 k");
    EXPECT_FALSE(mainview::loaded);
}

TEST_F(Comparison, EnterRecompressesAndLeavesNoControlFocused) {
    zavotest::WriteFile(dir + "/a.bmp", Bmp24(64, 48, 3));
    Load(dir + "/a.bmp");
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    main->press->SetText("70");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Held(), Expected(70, 64, 48, 3));
    EXPECT_EQ(main->ActiveControl(), nullptr);
    EXPECT_TRUE(main->Widget()->hasFocus());
    // Up from a typed 70 writes 80, which equals the last reported position: no recompression.
    main->pressud->Step(TUDBtnType::Up);
    EXPECT_EQ(main->press->Text(), "80");
    EXPECT_EQ(Held(), Expected(70, 64, 48, 3));
}

// A 32 x 32 icon of one 24-bit image, blue, whose AND mask makes the left half transparent.
std::string HalfTransparentIcon() {
    std::string s(6 + 16 + 40 + 32 * 32 * 3 + 32 * 4, '\0');
    Put16(s, 2, 1);
    Put16(s, 4, 1);
    s[6] = 32;
    s[7] = 32;
    Put16(s, 10, 1);
    Put16(s, 12, 24);
    Put32(s, 14, uint32_t(s.size() - 22));
    Put32(s, 18, 22);
    Put32(s, 22, 40);
    Put32(s, 26, 32);
    Put32(s, 30, 64);
    Put16(s, 34, 1);
    Put16(s, 36, 24);
    for (int i = 0; i < 32 * 32; ++i) s[62 + i * 3] = char(0xFF);
    for (int row = 0; row < 32; ++row) {
        size_t at = 62 + 32 * 32 * 3 + size_t(row) * 4;
        s[at] = s[at + 1] = char(0xFF);
    }
    return s;
}

TEST_F(Comparison, TransparentIconPartsShowThePreviousPictureOrWhite) {
    zavotest::WriteFile(dir + "/small.bmp", Bmp24(8, 8, 40));
    Load(dir + "/small.bmp");
    QImage before = main->ex->ShownImage().copy();
    zavotest::WriteFile(dir + "/half.ico", HalfTransparentIcon());
    Load(dir + "/half.ico");
    ASSERT_TRUE(errors.empty()) << errors.front();
    const QImage& shown = main->ex->ShownImage();
    ASSERT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.pixel(3, 5), before.pixel(3, 5));
    EXPECT_EQ(shown.pixel(12, 20) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shown.pixel(20, 5) & 0xFFFFFF, 0x0000FFu);
    // The compressed picture was made from the same pixels.
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            std::array<uint8_t, 3> p = {0, 0, 0xFF};
            if (x < 16) p = x < 8 && y < 8 ? zavotest::Bmp24Pixel(x, y, 40) : std::array<uint8_t, 3>{0xFF, 0xFF, 0xFF};
            rgb.insert(rgb.end(), p.begin(), p.end());
        }
    EXPECT_EQ(Held(), zavotest::LibraryJpeg(80, rgb, 32, 32));
}

TEST_F(Comparison, AnIconCutShortIsReported) {
    zavotest::WriteFile(dir + "/cut.ico", HalfTransparentIcon().substr(0, 1000));
    Load(dir + "/cut.ico");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "システム リソースが足りません.");
}

TEST_F(Comparison, ADropLoadsTheFirstFileWithItsWholeName) {
    std::string longDir = dir + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(longDir)));
    std::string first = longDir + "/first.bmp";
    ASSERT_GT(first.size(), 255u);
    zavotest::WriteFile(first, Bmp24(20, 10, 1));
    zavotest::WriteFile(dir + "/second.bmp", Bmp24(30, 30, 1));
    ShowMain();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(first)),
                  QUrl::fromLocalFile(QString::fromStdString(dir + "/second.bmp"))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main->Widget(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main->Widget(), &drop);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(mainview::curfile, first);
    EXPECT_EQ(main->ex->Width(), 20);
}

}  // namespace

TEST_F(Comparison, QualitiesCompressedAheadGiveTheBytesOfAFreshCompressEvenWhenANewPictureCameMidWay) {
    zavotest::WriteFile(dir + "/a.bmp", Bmp24(160, 120, 1));
    zavotest::WriteFile(dir + "/b.bmp", Bmp24(160, 120, 9));
    Load(dir + "/a.bmp");
    // b is loaded while a is still being compressed ahead.
    Load(dir + "/b.bmp");
    main->Precompute().WaitIdle();
    for (int q : {90, 100, 70, 60, 50, 40, 30, 20, 10, 1, 75, 80}) {
        main->press->SetText(std::to_string(q));
        main->presson(main->press);
        std::string bytes = Held();
        ASSERT_EQ(bytes, Expected(q, 160, 120, 9)) << q;
        EXPECT_EQ(main->savesize->Caption(), std::to_string(bytes.size() / 1024) + " k");
        EXPECT_EQ(mainview::workstream->Size(), 0);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(Comparison, ARecompressionFailingWithBytesCompressedAheadEndsAsOneWithout) {
    zavotest::WriteFile(dir + "/a.bmp", Bmp24(64, 48, 1));
    Load(dir + "/a.bmp");
    main->Precompute().WaitIdle();
    std::string before = Held();
    std::string shown = main->savesize->Caption();
    std::vector<TProgressStage> stages;
    mainview::srcjpeg->OnProgress = [&](TGraphic*, TProgressStage stage, uint8_t, bool, const TRect&,
                                        const std::string&) {
        stages.push_back(stage);
        if (stage == TProgressStage::StageStarting) throw EInvalidGraphicOperation("stop");
    };
    // 90 was compressed ahead, 85 was not.
    for (const char* q : {"90", "85"}) {
        stages.clear();
        main->press->SetText(q);
        EXPECT_THROW(main->presson(main->press), EInvalidGraphicOperation) << q;
        EXPECT_EQ(stages, (std::vector{TProgressStage::StageStarting, TProgressStage::StageEnding})) << q;
        EXPECT_EQ(mainview::srcjpeg->Holder().Bytes->Size(), 0) << q;
        EXPECT_EQ(mainview::workstream->Size(), 0) << q;
        EXPECT_EQ(Held(), before) << q;
        EXPECT_EQ(main->savesize->Caption(), shown) << q;
    }
    mainview::srcjpeg->OnProgress = nullptr;
}

TEST_F(Comparison, TheRightPaneDecodedOnDemandShowsTheFullDecodeWhereverItIsScrolledAndAfterThePreview) {
    zavotest::WriteFile(dir + "/big.bmp", Bmp24(900, 700, 5));
    Load(dir + "/big.bmp");
    // At 90 the part in view comes decoded ahead with the bytes; the rest is decoded on demand.
    main->Precompute().WaitIdle();
    main->press->SetText("90");
    main->presson(main->press);
    TJPEGImage whole;
    whole.AssignFrom(mainview::newjpeg);
    const platform::Surface& full = *whole.EnsureDecoded()->Image().Handle();
    auto expectFull = [&](const QImage& image, const QRect& r) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                platform::ColorRef c = full.Pixel(x, y);
                QRgb want = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
                ASSERT_EQ(image.pixel(x, y) | 0xFF000000, want) << x << "," << y;
            }
    };
    ASSERT_TRUE(main->exh->Visible() && main->exv->Visible());
    QSize view = main->newview->ClientWidget()->size();
    for (int hpos : {0, 137, main->exh->Max() - 19})
        for (int vpos : {0, 211, main->exv->Max() - 19}) {
            main->exhScroll(main->exh, TScrollCode::Position, hpos);
            main->exvScroll(main->exv, TScrollCode::Position, vpos);
            QRect seen = QRect(QPoint(-main->new_->Left(), -main->new_->Top()), view) & QRect(0, 0, 900, 700);
            QImage painted(900, 700, QImage::Format_RGB32);
            QPainter painter(&painted);
            main->new_->PaintPart(painter, seen);
            painter.end();
            expectFull(painted, seen);
        }
    // Painting decoded only the parts shown; the pane's picture has not been decoded whole.
    auto* pane = dynamic_cast<TJPEGImage*>(main->new_->Picture().Graphic());
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->Bitmap(), nullptr);
    expectFull(main->new_->ShownImage(), QRect(0, 0, 900, 700));
    main->previewClick(main->preview);
    expectFull(main->new_->ShownImage(), QRect(0, 0, 900, 700));
    EXPECT_TRUE(errors.empty());
}
