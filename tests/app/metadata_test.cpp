#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include "base/numbertext.h"
#include "codec/jpegbitmaps.h"
#include "codec/metadatasamples.h"
#include "codec/precompute.h"
#include "comparisonfixture.h"

using namespace zavo;
using namespace zavotest;

namespace {

class Keeping : public Comparison {
protected:
    std::string Camera(const Bytes& jpeg) {
        std::string path = dir + "/camera.jpg";
        WriteFile(path, std::string(jpeg.begin(), jpeg.end()));
        return path;
    }
    Bytes Saved(const std::string& name) {
        Save(dir + "/" + name);
        return ReadFileBytes(dir + "/" + name);
    }
    // What compressing the working bitmap at the quality with the metadata now chosen gives.
    static Bytes Fresh(int quality) {
        TJPEGImage jpeg;
        jpeg.AssignFrom(mainview::workbmp);
        jpeg.SetMetadataToWrite(mainview::srcjpeg->MetadataToWrite());
        jpeg.SetQuality(unsigned(quality));
        jpeg.Compress();
        return HeldBytes(jpeg);
    }
    Bytes HeldNow() {
        std::string held = Held();
        return Bytes(held.begin(), held.end());
    }
    std::string Hint() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return main->savesize->Hint().find("PSNR") == 0; }, 10000));
        return main->savesize->Hint();
    }
};

}  // namespace

TEST_F(Keeping, EachChoiceIsMeasuredSavedAndCompressedAheadWithItsSegments) {
    const Bytes camera = CameraJpeg();
    Load(Camera(camera));
    ASSERT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(main->MetadataCopy(), TMetadataCopy::None);
    EXPECT_FALSE(main->StripGps());
    const std::vector<TJpegMarker> source = SegmentsOf(camera);
    Bytes none = Saved("none.jpg");
    EXPECT_EQ(SegmentsOf(none).size(), 1u);
    EXPECT_EQ(none, Fresh(80));

    struct Case {
        TMetadataCopy copy;
        bool strip;
        size_t segments;  // the compressor's JFIF header and what is kept
    };
    for (Case c : {Case{TMetadataCopy::Icc, false, 3}, Case{TMetadataCopy::All, false, 7}, Case{TMetadataCopy::All, true, 7},
                   Case{TMetadataCopy::None, true, 1}}) {
        const std::string what = std::to_string(int(c.copy)) + (c.strip ? " strip" : "");
        main->SetMetadataCopy(c.copy);
        main->SetStripGps(c.strip);
        ASSERT_TRUE(errors.empty()) << errors.front();
        Bytes saved = Saved("kept.jpg");
        EXPECT_EQ(saved, HeldNow()) << what;
        EXPECT_EQ(saved, Fresh(80)) << what;
        EXPECT_EQ(main->savesize->Caption(), SizeText(int64_t(saved.size()))) << what;
        std::vector<TJpegMarker> segments = SegmentsOf(saved);
        ASSERT_EQ(segments.size(), c.segments) << what;
        if (c.copy != TMetadataCopy::None) {
            EXPECT_EQ(IccProfileOf(saved), IccProfile(70000)) << what;
        }
        if (c.copy == TMetadataCopy::All) {
            ExifTags tags = ReadExif(segments[1].data);
            EXPECT_EQ(tags.gps.empty(), c.strip) << what;
            EXPECT_EQ(tags.ifd0[kTagOrientation], (Bytes{6, 0})) << what;
            for (size_t i = 2; i < segments.size(); ++i) EXPECT_EQ(segments[i], source[i]) << what << " " << i;
        }
        // The bytes made ahead for the next click are those a fresh compression makes.
        main->Precompute().WaitIdle();
        main->press->SetText("90");
        main->presson(main->press);
        EXPECT_EQ(HeldNow(), Fresh(90)) << what;
        EXPECT_EQ(main->savesize->Caption(), SizeText(int64_t(Fresh(90).size()))) << what;
        main->press->SetText("80");
        main->presson(main->press);
    }
}

TEST_F(Keeping, TheSizeHintTellsHowMuchMetadataIsKept) {
    const Bytes camera = CameraJpeg();
    Load(Camera(camera));
    std::shared_ptr<const TMetadata> all = MetadataToWrite(mainview::srcmetadata, {TMetadataCopy::All, false});
    const std::string size = SizeText(MetadataBytes(*all));
    EXPECT_NE(size, "0 k");
    EXPECT_EQ(Hint().substr(Hint().find('\n') + 1), "メタデータ " + size + " は保存されません");
    main->SetMetadataCopy(TMetadataCopy::All);
    EXPECT_EQ(Hint().substr(Hint().find('\n') + 1), "メタデータ " + size + " を保持");
    main->SetMetadataCopy(TMetadataCopy::Icc);
    EXPECT_EQ(Hint().substr(Hint().find('\n') + 1), "メタデータ 68 k を保持");  // the 70000-byte profile

    // A source with more than a megabyte of segments says that the rest was not read.
    std::vector<TJpegMarker> comments(20, TJpegMarker{0xFE, Bytes(60000, 'c')});
    Load(Camera(WithSegments(EncodeReference(RgbPattern(16, 16), 16, 16), comments)));
    EXPECT_EQ(main->MetadataCopy(), TMetadataCopy::Icc);  // the choice lasts while the program runs
    std::string hint = Hint();
    EXPECT_NE(hint.find("メタデータ 996 k は保存されません\nメタデータが 1 M を超えるため、超えた分は読み込まれていません"),
              std::string::npos)
        << hint;

    // A plain picture carries nothing: the hint stays as it always was.
    WriteFile(dir + "/plain.bmp", Bmp24(20, 10, 3));
    Load(dir + "/plain.bmp");
    EXPECT_EQ(Hint().find('\n'), std::string::npos);
}

TEST_F(Keeping, ABitmapsEmbeddedProfileIsKept) {
    ZAVO_NEEDS_TESTDATA();
    const std::string path = TestData("bmpsuite/q/rgb24prof.bmp");
    Load(path);
    main->SetMetadataCopy(TMetadataCopy::Icc);
    Bytes saved = Saved("profile.jpg");
    Bytes profile = IccProfileOf(saved);
    ASSERT_GT(profile.size(), 128u);
    EXPECT_EQ(std::string(profile.begin() + 36, profile.begin() + 40), "acsp");
    // The profile stands in the file as it is in the bitmap.
    Bytes file = ReadFileBytes(path);
    EXPECT_NE(std::search(file.begin(), file.end(), profile.begin(), profile.end()), file.end());
    // A linked profile is a file name, which is never followed.
    Load(TestData("bmpsuite/q/rgb24lprof.bmp"));
    EXPECT_EQ(SegmentsOf(Saved("linked.jpg")).size(), 1u);
}

TEST_F(Keeping, ThePaneMenuOffersTheChoiceAndKeepsTheFocusWhereItWas) {
    ShowMain();
    Load(Camera(CameraJpeg()));
    ASSERT_TRUE(errors.empty()) << errors.front();
    main->FocusControl(main->press);
    auto openMenu = [&] {
        QWidget* pane = main->exview->Widget();
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(20, 20), pane->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(pane, &e);
        QMenu* menu = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
        return menu;
    };
    auto action = [](QMenu* menu, const char* text) -> QAction* {
        for (QAction* a : menu->actions())
            if (a->text() == QString::fromUtf8(text)) return a;
        return nullptr;
    };
    QMenu* menu = openMenu();
    ASSERT_NE(menu, nullptr);
    QAction* none = action(menu, "メタデータ: なし");
    QAction* all = action(menu, "メタデータ: すべて");
    QAction* gps = action(menu, "GPS 情報を削除");
    ASSERT_TRUE(none && all && gps && action(menu, "メタデータ: 色プロファイルのみ"));
    EXPECT_TRUE(none->isChecked());
    EXPECT_FALSE(all->isChecked());
    EXPECT_FALSE(gps->isEnabled());
    std::string before = main->savesize->Caption();
    menu->hide();
    all->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->MetadataCopy() == TMetadataCopy::All; }));
    EXPECT_NE(main->savesize->Caption(), before);
    EXPECT_EQ(main->ActiveControl(), main->press);

    menu = openMenu();
    ASSERT_NE(menu, nullptr);
    gps = action(menu, "GPS 情報を削除");
    ASSERT_NE(gps, nullptr);
    EXPECT_TRUE(gps->isEnabled());
    EXPECT_FALSE(gps->isChecked());
    menu->hide();
    gps->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->StripGps(); }));
    EXPECT_TRUE(errors.empty());
}
