#include "toolkit/previewloader.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "support/testutil.h"
#include "toolkit/previewfiles.h"
#include "toolkit/picturedialog.h"

using namespace zavo;
using zavotest::Text;
using zavotest::WriteBmp;

namespace {

// A load that waits until the test lets it go, recording what it was asked for.
struct HeldLoads {
    std::mutex mutex;
    std::vector<std::string> asked;
    std::atomic<bool> released{false};
    std::atomic<int> started{0};
    PreviewLoader::LoadFunction Function() {
        return [this](const std::string& path) {
            {
                std::lock_guard lock(mutex);
                asked.push_back(path);
            }
            ++started;
            for (int i = 0; i < 1000 && !released; ++i) QThread::msleep(5);
            return LoadPreview(path);
        };
    }
    std::vector<std::string> Asked() {
        std::lock_guard lock(mutex);
        return asked;
    }
};

}  // namespace

TEST(PreviewLoading, ASlowPreviewFinishesWithoutHoldingTheDialogAndNewerSelectionsWin) {
    const std::string dir = zavotest::TempDir();
    QWidget host;
    const std::string a = WriteBmp(dir, "a.bmp", 4, 2), b = WriteBmp(dir, "b.bmp", 5, 2), c = WriteBmp(dir, "c.bmp", 6, 2);
    HeldLoads loads;
    PicturePreview preview(&host, loads.Function());
    preview.SelectionChanged(a);
    // Back from the selection change while the load still waits.
    EXPECT_FALSE(loads.released);
    EXPECT_EQ(Text(preview.PictureLabel()), "画像:");
    EXPECT_FALSE(preview.PreviewButton()->isEnabled());
    QTRY_COMPARE(loads.started.load(), 1);
    preview.SelectionChanged(b);
    preview.SelectionChanged(c);
    loads.released = true;
    QTRY_COMPARE(Text(preview.PictureLabel()), std::string(" (6x2)"));
    EXPECT_TRUE(preview.PreviewButton()->isEnabled());
    // b was superseded before it started; a's late result never shows.
    QTest::qWait(50);
    EXPECT_EQ(loads.Asked(), (std::vector<std::string>{a, c}));
    EXPECT_EQ(Text(preview.PictureLabel()), " (6x2)");
}

TEST(PreviewLoaderTest, ALateResultOfASupersededRequestIsDropped) {
    HeldLoads loads;
    PreviewLoader loader(loads.Function());
    std::vector<std::string> delivered;
    bool withPicture = false;
    loader.OnReady = [&](PreviewResult& r) {
        delivered.push_back(r.path);
        withPicture = r.picture != nullptr;
    };
    EXPECT_FALSE(loader.Request("/nowhere/1.bmp", std::chrono::milliseconds(0)));
    QTRY_COMPARE(loads.started.load(), 1);
    EXPECT_FALSE(loader.Request("/nowhere/2.bmp", std::chrono::milliseconds(0)));
    loader.Cancel();
    loads.released = true;
    QTest::qWait(100);
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(loads.Asked(), std::vector<std::string>{"/nowhere/1.bmp"});
    // A quick load comes back within the wait, before the request returns.
    EXPECT_TRUE(loader.Request("/nowhere/3.bmp", std::chrono::milliseconds(5000)));
    EXPECT_EQ(delivered, std::vector<std::string>{"/nowhere/3.bmp"});
    EXPECT_FALSE(withPicture);
}

