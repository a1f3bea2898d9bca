#include "batch/report.h"

#include <gtest/gtest.h>

#include <limits>

using namespace zavo::batch;

namespace {
FileResult Written() {
    FileResult r;
    r.source = "dir/a \"b\".bmp";
    r.target = "dir/a \"b\".jpg";
    r.ok = true;
    r.sourceSize = 200926;
    r.resultSize = 15386;
    r.quality = 60;
    r.figures = {34.4361, 0.970123, 0.8741249, 1232, 560};
    return r;
}
}  // namespace

TEST(Report, TextLineHasSizesQualityAndFigures) {
    EXPECT_EQ(TextLine(Written()),
              "dir/a \"b\".bmp: 200926 -> 15386 bytes (15 k), quality 60, PSNR 34.4 dB, SSIM 0.970 (worst 0.874 at 1232,560)");
}

TEST(Report, JsonLineEscapesNamesAndWritesInfinityAsText) {
    FileResult r = Written();
    EXPECT_EQ(JsonLine(r),
              "{\"source\":\"dir/a \\\"b\\\".bmp\",\"target\":\"dir/a \\\"b\\\".jpg\",\"source_size\":200926,"
              "\"result_size\":15386,\"result_size_text\":\"15 k\",\"quality\":60,\"psnr_db\":34.436,"
              "\"ssim\":0.97012,\"worst_ssim\":0.87412,\"worst_x\":1232,\"worst_y\":560}");
    r.figures = {std::numeric_limits<double>::infinity(), 1.0, 1.0, 0, 0};
    EXPECT_NE(JsonLine(r).find("\"psnr_db\":\"inf\",\"ssim\":1.00000,\"worst_ssim\":1.00000,"), std::string::npos);

    FileResult failed;
    failed.source = "x\t.bmp";
    failed.target = "x\t.jpg";
    failed.error = "ファイル x\t.bmp は開けません.";
    EXPECT_EQ(JsonLine(failed), "{\"source\":\"x\\t.bmp\",\"target\":\"x\\t.jpg\",\"error\":\"ファイル x\\t.bmp は開けません.\"}");
    EXPECT_EQ(ErrorLine(failed), "zavo-batch: x\t.bmp: ファイル x\t.bmp は開けません.");
}

TEST(Report, ProgressBarFillsInProportion) {
    EXPECT_EQ(ProgressBar(0, 4, 8), "[........] 0/4");
    EXPECT_EQ(ProgressBar(1, 4, 8), "[##......] 1/4");
    EXPECT_EQ(ProgressBar(4, 4, 8), "[########] 4/4");
    EXPECT_EQ(ProgressBar(7, 12, 6), "[###...]  7/12");
}
