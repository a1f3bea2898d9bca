#include "codec/picture.h"

#include <fstream>
#include <vector>

#include "base/format.h"
#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/bmpbytes.h"
#include "codec/fileformats.h"
#include "codec/icon.h"
#include "codec/jpegimage.h"
#include "codec/metafile.h"
#include "support/testutil.h"

using namespace zavo;

namespace {

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = zavotest::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

const char* kUnknown = "拡張子 .%s の画像形式は処理できません";

// A graphic class of the tests' own, to see registration order and removal at work.
class TTestGraphic : public TBitmap {
public:
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TTestGraphic>(); }
};
class TDerivedTestGraphic : public TTestGraphic {};

}  // namespace

TEST(FileFormats, StartsWithTheSixBuiltInEntriesInOrder) {
    const auto& entries = TFileFormatsList::Instance().Entries();
    ASSERT_GE(entries.size(), 6u);
    const char* extensions[] = {"wmf", "emf", "ico", "bmp", "jpeg", "jpg"};
    const char* descriptions[] = {"メタファイル", "エンハンス メタファイル", "アイコン", "ビットマップ",
                                  "JPEG イメージファイル", "JPEG イメージファイル"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(entries[i].extension, extensions[i]);
        EXPECT_EQ(entries[i].description, descriptions[i]);
        EXPECT_EQ(entries[i].descriptionId, 0);
    }
    EXPECT_NE(dynamic_cast<TMetafile*>(entries[0].factory().get()), nullptr);
    EXPECT_NE(dynamic_cast<TMetafile*>(entries[1].factory().get()), nullptr);
    EXPECT_NE(dynamic_cast<TIcon*>(entries[2].factory().get()), nullptr);
    EXPECT_NE(dynamic_cast<TBitmap*>(entries[3].factory().get()), nullptr);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(entries[4].factory().get()), nullptr);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(entries[5].factory().get()), nullptr);
}

TEST(FileFormats, LooksUpLowerCasedFromTheLastEntryAndRemovesDescendants) {
    TFileFormatsList& list = TFileFormatsList::Instance();
    const size_t before = list.Entries().size();
    EXPECT_EQ(list.Find("BMP"), list.Find("bmp"));
    EXPECT_EQ(list.Find(""), nullptr);
    EXPECT_EQ(list.Find("jpe"), nullptr);

    list.Add("TST", "test", 7, &NewGraphic<TTestGraphic>);
    list.Add("bmp", "override", 0, &NewGraphic<TDerivedTestGraphic>);
    EXPECT_EQ(list.Entries().back().extension, "bmp");
    EXPECT_EQ(list.Entries()[before].extension, "tst");
    EXPECT_EQ(list.Entries()[before].descriptionId, 7);
    EXPECT_NE(dynamic_cast<TTestGraphic*>(list.Find("tSt")().get()), nullptr);
    EXPECT_NE(dynamic_cast<TDerivedTestGraphic*>(list.Find("bmp")().get()), nullptr);

    list.Remove<TTestGraphic>();
    EXPECT_EQ(list.Entries().size(), before);
    EXPECT_EQ(list.Find("tst"), nullptr);
    auto bitmap = list.Find("bmp")();
    EXPECT_EQ(dynamic_cast<TTestGraphic*>(bitmap.get()), nullptr);
    EXPECT_NE(dynamic_cast<TBitmap*>(bitmap.get()), nullptr);
}

TEST(Picture, StartsEmpty) {
    TPicture p;
    EXPECT_EQ(p.Graphic(), nullptr);
    EXPECT_EQ(p.Width(), 0);
    EXPECT_EQ(p.Height(), 0);
}

TEST(Picture, ChoosesTheClassByExtensionInAnyLetterCase) {
    const auto bytes = zavotest::Bmp24(3, 2).bytes;
    for (const char* name : {"a.bmp", "b.BMP", "c.Bmp", "d.tar.bmp"}) {
        TPicture p;
        p.LoadPictureFile(WriteFile(name, bytes));
        EXPECT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr) << name;
        EXPECT_EQ(p.Width(), 3);
        EXPECT_EQ(p.Height(), 2);
    }
}

TEST(Picture, RefusesUnregisteredExtensionsShowingThemAsWritten) {
    TPicture p;
    EXPECT_THROW_MSG(p.LoadPictureFile("/nowhere/photo.JPE"), EInvalidGraphic, Format(kUnknown, "JPE"));
    EXPECT_THROW_MSG(p.LoadPictureFile("/nowhere/photo.PNG"), EInvalidGraphic, Format(kUnknown, "PNG"));
    EXPECT_THROW_MSG(p.LoadPictureFile("/no.where/photo"), EInvalidGraphic, "拡張子 . の画像形式は処理できません");
    EXPECT_THROW_MSG(p.LoadPictureFile("photo."), EInvalidGraphic, "拡張子 . の画像形式は処理できません");
    // An icon-format file under a name the program does not read.
    EXPECT_THROW_MSG(p.LoadPictureFile(WriteFile("pointer.cur", {0, 0, 2, 0, 1, 0})), EInvalidGraphic,
                     Format(kUnknown, "cur"));
}

TEST(Picture, AMissingFileWithAKnownExtensionNamesThePathAsPassed) {
    TPicture p;
    const std::string path = zavotest::TempDir() + "/../missing.BMP";
    EXPECT_THROW_MSG(p.LoadPictureFile(path), EFOpenError, Format("ファイル %s は開けません", path));
    EXPECT_EQ(p.Graphic(), nullptr);
}

TEST(Picture, TheContentIsNeverComparedWithTheExtension) {
    TPicture p;
    EXPECT_THROW_MSG(p.LoadPictureFile(WriteFile("jpeg.bmp", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1})),
                     EInvalidGraphic, "ビットマップイメージが不正です");
    EXPECT_THROW_MSG(p.LoadPictureFile(WriteFile("bitmap.ico", zavotest::Bmp24(2, 2).bytes)), EInvalidGraphic,
                     "アイコンイメージが不正です");
}

TEST(Picture, AFailedLoadKeepsThePreviousGraphicAndSignalsNothing) {
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TPicture* sender) {
        EXPECT_EQ(sender, &p);
        ++changes;
    };
    p.LoadPictureFile(WriteFile("good.bmp", zavotest::Bmp24(5, 4).bytes));
    EXPECT_EQ(changes, 1);
    TGraphic* held = p.Graphic();
    EXPECT_THROW_MSG(p.LoadPictureFile(WriteFile("cut.bmp", zavotest::Bmp24(5, 4).cut_to(10).bytes)), EReadError,
                     "ストリームからの読み込みエラー");
    EXPECT_THROW_MSG(p.LoadPictureFile(WriteFile("x.ico", {0, 0, 2, 0, 0, 0})), EInvalidGraphic,
                     "アイコンイメージが不正です");
    EXPECT_THROW_MSG(p.LoadPictureFile("/nowhere/x.bmp"), EFOpenError, "ファイル /nowhere/x.bmp は開けません");
    EXPECT_EQ(p.Graphic(), held);
    EXPECT_EQ(p.Width(), 5);
    EXPECT_EQ(p.Height(), 4);
    EXPECT_EQ(changes, 1);
    // The held graphic's own changes reach the picture's callback.
    held->SetHeight(7);
    EXPECT_EQ(changes, 2);
}

TEST(Picture, HandsItsProgressCallbackToTheGraphicsItCreates) {
    TPicture p;
    int calls = 0;
    p.OnProgress = [&](TGraphic*, TProgressStage, uint8_t, bool, const TRect&, const std::string&) { ++calls; };
    p.LoadPictureFile(WriteFile("p.bmp", zavotest::Bmp24(2, 2).bytes));
    p.Graphic()->ReportProgress(TProgressStage::StageStarting, 0, false, TRect{}, "");
    TBitmap source;
    p.AssignFrom(&source);
    p.Graphic()->ReportProgress(TProgressStage::StageEnding, 100, false, TRect{}, "");
    EXPECT_EQ(calls, 2);
}

TEST(Picture, AsBitmapKeepsABitmapAndReplacesAnythingElse) {
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TPicture*) { ++changes; };
    TBitmap* made = p.AsBitmap();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(p.Graphic(), made);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(p.AsBitmap(), made);
    EXPECT_EQ(changes, 1);

    p.LoadPictureFile(zavotest::OwnData("ico/pillow_32bit_nomask.ico"));
    EXPECT_NE(dynamic_cast<TIcon*>(p.Graphic()), nullptr);
    TBitmap* fresh = p.AsBitmap();
    EXPECT_EQ(p.Graphic(), fresh);
    EXPECT_TRUE(fresh->IsEmpty());
    EXPECT_EQ(changes, 3);
    fresh->SetWidth(3);
    EXPECT_EQ(changes, 4);
}

TEST(Picture, AssignFromCopiesGraphicsPicturesAndNothing) {
    TPicture source;
    source.LoadPictureFile(WriteFile("s.bmp", zavotest::Bmp24(6, 3).bytes));
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TPicture*) { ++changes; };
    p.AssignFrom(&source);
    ASSERT_NE(p.Graphic(), nullptr);
    EXPECT_NE(p.Graphic(), source.Graphic());
    EXPECT_EQ(typeid(*p.Graphic()), typeid(TBitmap));
    EXPECT_EQ(p.Width(), 6);
    EXPECT_EQ(changes, 1);
    // A bitmap copy shares the source's image.
    EXPECT_EQ(&static_cast<TBitmap*>(p.Graphic())->Image(), &static_cast<TBitmap*>(source.Graphic())->Image());

    TIcon icon;
    p.AssignFrom(&icon);
    EXPECT_EQ(typeid(*p.Graphic()), typeid(TIcon));
    EXPECT_EQ(changes, 2);

    TPicture empty;
    p.AssignFrom(&empty);
    EXPECT_EQ(p.Graphic(), nullptr);
    p.AssignFrom(&source);
    p.AssignFrom(nullptr);
    EXPECT_EQ(p.Graphic(), nullptr);
    EXPECT_EQ(p.Width(), 0);
    EXPECT_EQ(changes, 5);
}

TEST(Picture, AFailedCopyKeepsTheGraphic) {
    // A graphic that cannot be copied, even into its own class.
    class TUncopyable : public TBitmap {
    public:
        void AssignFrom(TPersistent* source) override { CopyFailure(source, this); }
        std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TUncopyable>(); }
    };
    TPicture p;
    p.LoadPictureFile(WriteFile("k.bmp", zavotest::Bmp24(2, 3).bytes));
    TGraphic* held = p.Graphic();
    int changes = 0;
    p.OnChange = [&](TPicture*) { ++changes; };
    TUncopyable odd;
    EXPECT_THROW_MSG(p.AssignFrom(&odd), EConvertError, Format("%s を %s に代入することはできません", odd.ClassName(), odd.ClassName()));
    EXPECT_EQ(p.Graphic(), held);
    EXPECT_EQ(p.Height(), 3);
    EXPECT_EQ(changes, 0);
}
