#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <fstream>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"
#include "support/apptest.h"
#include "support/testutil.h"

using namespace zavo;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}
void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A 24-bit bottom-up bitmap file of w x h whose pixels follow (x, y), padded with zeros to padTo bytes.
std::string Bmp24(int w, int h, uint8_t seed, size_t padTo = 0) {
    const int stride = (w * 3 + 3) & ~3;
    std::string s(54 + size_t(stride) * h, '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put32(s, 2, uint32_t(s.size()));
    Put32(s, 10, 54);
    Put32(s, 14, 40);
    Put32(s, 18, uint32_t(w));
    Put32(s, 22, uint32_t(h));
    Put16(s, 26, 1);
    Put16(s, 28, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t at = 54 + size_t(h - 1 - y) * stride + size_t(x) * 3;
            s[at] = char(x * 5 + seed);
            s[at + 1] = char(y * 3 + seed);
            s[at + 2] = char((x ^ y) + seed);
        }
    if (s.size() < padTo) s.resize(padTo, '\0');
    return s;
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class Comparison : public zavotest::AppTest {
protected:
    void SetUp() override {
        dir = zavotest::TempDir();
        // The trash lives in the data folder; tests keep it in their own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(QString::fromStdString(dir + "/data")));
        AppTest::SetUp();
        TOpenDialog::ExecuteHook = [this](TOpenDialog& d) {
            ++dialogs;
            startName.push_back(d.FileName());
            std::string& answer = d.IsSaveDialog() ? saveAs : openAs;
            if (answer.empty()) return false;
            d.SetFileName(answer);
            return true;
        };
    }
    void TearDown() override {
        TOpenDialog::ExecuteHook = nullptr;
        AppTest::TearDown();
    }
    void Load(const std::string& path) {
        openAs = path;
        main->loading->Click();
    }
    void Save(const std::string& path) {
        saveAs = path;
        main->saving->Click();
    }
    // The bytes an independent JPEG object makes of the working bitmap at quality q.
    std::string Expected(int q) {
        TJPEGImage jpeg;
        jpeg.AssignFrom(mainview::workbmp);
        jpeg.SetQuality(unsigned(q));
        jpeg.Compress();
        TMemoryStream m;
        jpeg.SaveStream(m);
        return std::string(reinterpret_cast<const char*>(m.Memory()), size_t(m.Size()));
    }
    std::string Held() {
        TMemoryStream m;
        mainview::newjpeg->SaveStream(m);
        return std::string(reinterpret_cast<const char*>(m.Memory()), size_t(m.Size()));
    }
    bool Trashed(const std::string& name) {
        return QFile::exists(QString::fromStdString(dir + "/data/Trash/files/" + name));
    }

    std::string dir, openAs, saveAs;
    std::vector<std::string> startName;
    int dialogs = 0;
};

TEST_F(Comparison, LoadShowsBothPicturesAndTheirSizes) {
    Write(dir + "/a.bmp", Bmp24(300, 200, 1));
    Load(dir + "/a.bmp");
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(main->exsize->Caption(), std::to_string((54 + 900 * 200) / 1024) + " k");
    EXPECT_EQ(main->ex->Width(), 300);
    EXPECT_EQ(main->ex->Height(), 200);
    EXPECT_EQ(main->new_->Width(), 300);
    EXPECT_EQ(main->new_->Height(), 200);
    std::string bytes = Held();
    EXPECT_EQ(bytes, Expected(80));
    EXPECT_EQ(main->savesize->Caption(), std::to_string(bytes.size() / 1024) + " k");
    EXPECT_EQ(mainview::workstream->Size(), 0);
    EXPECT_EQ(main->new_->ShownImage().size(), QSize(300, 200));
    EXPECT_EQ(main->ex->ShownImage().pixel(10, 20) & 0xFFFFFF,
              qRgb((10 ^ 20) + 1, 20 * 3 + 1, 10 * 5 + 1) & 0xFFFFFF);
}

TEST_F(Comparison, SizeLabelsTruncateToWholeKilobytesAndShowLargeFilesInFull) {
    for (size_t size : {1023u, 1024u, 2047u}) {
        Write(dir + "/s.bmp", Bmp24(4, 4, 0, size));
        Load(dir + "/s.bmp");
        EXPECT_EQ(main->exsize->Caption(), std::to_string(size / 1024) + " k");
    }
    // A 3 GiB file (sparse) whose picture sits at its start.
    std::string big = dir + "/big.bmp";
    Write(big, Bmp24(4, 4, 0));
    ASSERT_EQ(::truncate(big.c_str(), off_t(3) << 30), 0);
    Load(big);
    EXPECT_EQ(main->exsize->Caption(), "3145728 k");
}

TEST_F(Comparison, QualityTextsFollowTheIntegerRuleAndOutOfRangeValuesAreClamped) {
    Write(dir + "/a.bmp", Bmp24(64, 48, 7));
    Load(dir + "/a.bmp");
    struct Case {
        const char* text;
        int quality;
    } cases[] = {{" 50", 50}, {"$32", 50}, {"300", 100}, {"0", 1}, {"-5", 1}, {"100", 100}};
    for (const Case& c : cases) {
        main->press->SetText(c.text);
        main->presson(main->press);
        EXPECT_EQ(Held(), Expected(c.quality)) << c.text;
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
    Write(dir + "/a.bmp", Bmp24(64, 48, 7));
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
    Write(dir + "/a.bmp", Bmp24(64, 48, 3));
    Load(dir + "/a.bmp");
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    main->press->SetText("70");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Held(), Expected(70));
    EXPECT_EQ(main->ActiveControl(), nullptr);
    EXPECT_TRUE(main->Widget()->hasFocus());
    // Up from a typed 70 writes 80, which equals the last reported position: no recompression.
    main->pressud->Step(TUDBtnType::Up);
    EXPECT_EQ(main->press->Text(), "80");
    EXPECT_EQ(Held(), Expected(70));
}

TEST_F(Comparison, TypingAQualityThenClickingSaveSavesThatQuality) {
    Write(dir + "/a.bmp", Bmp24(80, 60, 9));
    Load(dir + "/a.bmp");
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    main->press->SetText("30");
    saveAs = dir + "/out.jpg";
    QTest::mouseClick(main->saving->Widget(), Qt::LeftButton);
    EXPECT_EQ(Slurp(dir + "/out.jpg"), Expected(30));
    EXPECT_EQ(main->savesize->Caption(), std::to_string(Expected(30).size() / 1024) + " k");
    EXPECT_EQ(main->ActiveControl(), nullptr);
}

TEST_F(Comparison, SaveNamesWithoutExtensionGetJpg) {
    Write(dir + "/a.bmp", Bmp24(16, 16, 2));
    Load(dir + "/a.bmp");
    ASSERT_EQ(::mkdir((dir + "/with.dot").c_str(), 0755), 0);
    Save(dir + "/with.dot/photo");
    EXPECT_EQ(Slurp(dir + "/with.dot/photo.jpg"), Held());
    saveAs.clear();
    main->saving->Click();
    EXPECT_EQ(startName.back(), dir + "/with.dot/photo.jpg");
    Save(dir + "/photo.png");
    EXPECT_EQ(Slurp(dir + "/photo.png"), Held());
    Save(dir + "/ends.");
    EXPECT_EQ(Slurp(dir + "/ends."), Held());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir + "/ends..jpg")));
}

TEST_F(Comparison, SaveBeforeAnyLoadWritesAnEmptyFileAndTrashesNothing) {
    main->exdel->SetChecked(true);
    Save(dir + "/empty.jpg");
    EXPECT_TRUE(errors.empty());
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/empty.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
}

TEST_F(Comparison, TheSourceGoesToTheTrashOnlyAfterAnotherFileWasWritten) {
    Write(dir + "/src.bmp", Bmp24(32, 32, 4));
    Load(dir + "/src.bmp");
    main->exdel->SetChecked(true);
    // The source's own path reached another way is the source: overwritten, not trashed.
    Save(dir + "/./src.bmp");
    EXPECT_EQ(Slurp(dir + "/src.bmp"), Held());
    EXPECT_FALSE(Trashed("src.bmp"));
    Write(dir + "/src.bmp", Bmp24(32, 32, 4));
    Load(dir + "/src.bmp");
    Save(dir + "/new.jpg");
    EXPECT_EQ(Slurp(dir + "/new.jpg"), Held());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir + "/src.bmp")));
    EXPECT_TRUE(Trashed("src.bmp"));
    // Gone already: the next SAVE writes again and trashes nothing more.
    Save(dir + "/again.jpg");
    EXPECT_EQ(Slurp(dir + "/again.jpg"), Held());
    EXPECT_TRUE(errors.empty());
}

TEST_F(Comparison, AFailedLoadNeitherChangesThePanesNorBecomesTheFileToTrash) {
    Write(dir + "/good.bmp", Bmp24(40, 30, 5));
    Write(dir + "/bad.bmp", "BMnonsense");
    Load(dir + "/good.bmp");
    std::string held = Held();
    std::string exsize = main->exsize->Caption();
    Load(dir + "/bad.bmp");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "ストリームからの読み込みエラー.");
    EXPECT_EQ(mainview::curfile, dir + "/bad.bmp");
    EXPECT_EQ(Held(), held);
    EXPECT_EQ(main->exsize->Caption(), exsize);
    main->exdel->SetChecked(true);
    Save(dir + "/out.jpg");
    EXPECT_TRUE(Trashed("good.bmp"));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir + "/bad.bmp")));
    Load(dir + "/x.png");
    EXPECT_EQ(errors.back(), "拡張子 .png の画像形式は処理できません.");
}

TEST_F(Comparison, AFailedWriteIsReportedAndKeepsTheSourceAndTheOldFile) {
    Write(dir + "/src.bmp", Bmp24(32, 32, 4));
    Load(dir + "/src.bmp");
    main->exdel->SetChecked(true);
    Save(dir + "/missing/out.jpg");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "ファイル " + dir + "/missing/out.jpg を作成できません.");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir + "/src.bmp")));
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
    Write(dir + "/small.bmp", Bmp24(8, 8, 40));
    Load(dir + "/small.bmp");
    QImage before = main->ex->ShownImage().copy();
    Write(dir + "/half.ico", HalfTransparentIcon());
    Load(dir + "/half.ico");
    ASSERT_TRUE(errors.empty()) << errors.front();
    const QImage& shown = main->ex->ShownImage();
    ASSERT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.pixel(3, 5), before.pixel(3, 5));
    EXPECT_EQ(shown.pixel(12, 20) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shown.pixel(20, 5) & 0xFFFFFF, 0x0000FFu);
    // The compressed picture was made from the same pixels.
    EXPECT_EQ(Held(), Expected(80));
}

TEST_F(Comparison, AnIconCutShortIsReported) {
    Write(dir + "/cut.ico", HalfTransparentIcon().substr(0, 1000));
    Load(dir + "/cut.ico");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "システム リソースが足りません.");
}

TEST_F(Comparison, ADropLoadsTheFirstFileWithItsWholeName) {
    std::string longDir = dir + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(longDir)));
    std::string first = longDir + "/first.bmp";
    ASSERT_GT(first.size(), 255u);
    Write(first, Bmp24(20, 10, 1));
    Write(dir + "/second.bmp", Bmp24(30, 30, 1));
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
