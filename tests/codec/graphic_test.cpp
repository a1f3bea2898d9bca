#include "codec/graphic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/sharedimage.h"
#include "support/testutil.h"

namespace zavo {
namespace {

class TCountedImage : public TSharedImage {
public:
    explicit TCountedImage(std::vector<std::string>& log) : log_(log) {}
    void FreeHandles() override { log_.push_back("free"); }

protected:
    ~TCountedImage() override { log_.push_back("destroyed"); }

private:
    std::vector<std::string>& log_;
};

// A graphic that knows nothing of copying, to see the base behaviour.
class TPlainGraphic : public TGraphic {
public:
    void DrawOn(TCanvas&, const TRect&) override {}
    bool IsEmpty() const override { return bytes_.empty(); }
    int Height() const override { return 0; }
    int Width() const override { return 0; }
    void SetHeight(int) override {}
    void SetWidth(int) override {}
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TPlainGraphic>(); }
    void LoadStream(TStream& stream) override {
        bytes_.resize(static_cast<size_t>(stream.Size() - stream.Position()));
        stream.ReadBuffer(bytes_.data(), static_cast<int64_t>(bytes_.size()));
    }
    void SaveStream(TStream& stream) override { stream.WriteBuffer(bytes_.data(), static_cast<int64_t>(bytes_.size())); }
    void LoadClipboard(uint16_t, TMemoryStream&, platform::PaletteHandle) override {}
    void SaveClipboard(uint16_t&, TMemoryStream&, platform::PaletteHandle&) override {}

    std::string bytes_;
};

class TUnrelated : public TPersistent {};

class TRecordingFiler : public TFiler {
public:
    void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> reader,
                              std::function<void(TStream&)> writer, bool hasData) override {
        names.push_back(name);
        this->hasData = hasData;
        this->reader = std::move(reader);
        this->writer = std::move(writer);
    }
    std::vector<std::string> names;
    bool hasData = false;
    std::function<void(TStream&)> reader, writer;
};

TEST(SharedImage, SurvivesTheFirstDropAndDiesWithTheSecond) {
    std::vector<std::string> log;
    auto* image = new TCountedImage(log);
    EXPECT_EQ(image->RefCount(), 0);
    image->AddRef();
    image->AddRef();
    TSharedImage::DropRef(image);
    EXPECT_EQ(image->RefCount(), 1);
    EXPECT_TRUE(log.empty());
    TSharedImage::DropRef(image);
    EXPECT_EQ(log, (std::vector<std::string>{"free", "destroyed"}));
    TSharedImage::DropRef(nullptr);
}

TEST(Graphic, ClassNamesLeaveOutTheNamespace) {
    TBitmap bitmap;
    TPlainGraphic plain;
    EXPECT_EQ(bitmap.ClassName(), "TBitmap");
    EXPECT_EQ(plain.ClassName(), "TPlainGraphic");
}

TEST(Graphic, GenericCopyFailureNamesBothClasses) {
    TPlainGraphic plain;
    TUnrelated unrelated;
    TBitmap bitmap;
    EXPECT_THROW_MSG(plain.AssignFrom(&unrelated), EConvertError, "TUnrelated を TPlainGraphic に代入することはできません");
    EXPECT_THROW_MSG(plain.AssignFrom(nullptr), EConvertError, "nil を TPlainGraphic に代入することはできません");
    EXPECT_THROW_MSG(plain.AssignFrom(&bitmap), EConvertError, "TBitmap を TPlainGraphic に代入することはできません");
    EXPECT_THROW_MSG(bitmap.AssignFrom(&plain), EConvertError, "TPlainGraphic を TBitmap に代入することはできません");
    EXPECT_THROW_MSG(bitmap.AssignFrom(&unrelated), EConvertError, "TUnrelated を TBitmap に代入することはできません");
}

TEST(Graphic, TransparentNotifiesOnlyOnAChange) {
    TPlainGraphic g;
    int changes = 0;
    g.OnChange = [&](TGraphic* sender) {
        EXPECT_EQ(sender, &g);
        ++changes;
    };
    EXPECT_FALSE(g.Transparent());
    g.SetTransparent(false);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(g.Modified());
    g.SetTransparent(true);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(g.Modified());
    g.SetTransparent(true);
    EXPECT_EQ(changes, 1);
}

TEST(Graphic, SameContentComparesPersistedBytes) {
    TPlainGraphic a, b, c;
    TBitmap emptyBitmap;
    EXPECT_TRUE(a.SameContent(&b));
    EXPECT_TRUE(a.SameContent(&emptyBitmap));
    a.bytes_ = "abc";
    b.bytes_ = "abc";
    c.bytes_ = "abd";
    EXPECT_TRUE(a.SameContent(&b));
    EXPECT_FALSE(a.SameContent(&c));
    EXPECT_FALSE(a.SameContent(&emptyBitmap));
    EXPECT_FALSE(a.SameContent(nullptr));
}

TEST(Graphic, EmbeddedDataGoesThroughTheStreamSlots) {
    TPlainGraphic g;
    g.bytes_ = "xyz";
    TRecordingFiler filer;
    g.DeclareEmbedded(filer);
    EXPECT_EQ(filer.names, std::vector<std::string>{"Data"});
    EXPECT_TRUE(filer.hasData);
    TMemoryStream stream;
    filer.writer(stream);
    EXPECT_EQ(stream.Size(), 3);
    TPlainGraphic h;
    TRecordingFiler other;
    h.DeclareEmbedded(other);
    EXPECT_FALSE(other.hasData);
    stream.SetPosition(0);
    other.reader(stream);
    EXPECT_EQ(h.bytes_, "xyz");
}

TEST(Graphic, FilesGoThroughTheStreams) {
    std::string dir = zavotest::TempDir();
    TPlainGraphic g;
    g.bytes_ = "file bytes";
    g.SaveFile(dir + "/g.bin");
    TPlainGraphic h;
    h.LoadFile(dir + "/g.bin");
    EXPECT_EQ(h.bytes_, "file bytes");
    EXPECT_THROW_MSG(h.LoadFile(dir + "/missing.bin"), EFOpenError, "ファイル " + dir + "/missing.bin は開けません");
    EXPECT_THROW_MSG(g.SaveFile(dir + "/no/such/dir.bin"), EFCreateError,
                     "ファイル " + dir + "/no/such/dir.bin を作成できません");
}

TEST(Graphic, ProgressReachesTheHandler) {
    TPlainGraphic g;
    g.ReportProgress(TProgressStage::StageStarting, 0, false, {}, "");
    std::vector<int> seen;
    g.OnProgress = [&](TGraphic* sender, TProgressStage stage, uint8_t percent, bool redraw, const TRect& r,
                       const std::string& message) {
        EXPECT_EQ(sender, &g);
        EXPECT_EQ(stage, TProgressStage::StageRunning);
        EXPECT_TRUE(redraw);
        EXPECT_EQ(r, Rect(0, 1, 2, 3));
        EXPECT_EQ(message, "m");
        seen.push_back(percent);
    };
    g.ReportProgress(TProgressStage::StageRunning, 42, true, Rect(0, 1, 2, 3), "m");
    EXPECT_EQ(seen, std::vector<int>{42});
    EXPECT_EQ(g.QueryInterface(typeid(TGraphic)), nullptr);
}

TEST(Graphic, NewInstanceMakesAnEmptyObjectOfTheSameClass) {
    TBitmap bitmap;
    bitmap.SetWidth(3);
    bitmap.SetHeight(3);
    std::unique_ptr<TGraphic> made = bitmap.NewInstance();
    ASSERT_NE(dynamic_cast<TBitmap*>(made.get()), nullptr);
    EXPECT_TRUE(made->IsEmpty());
}

}  // namespace
}  // namespace zavo
