#include "batch/arguments.h"

#include <gtest/gtest.h>

using namespace zavo::batch;

TEST(Arguments, ReadsEveryOption) {
    BatchOptions o = ParseArguments({"-q", "55", "-o", "out", "--overwrite", "--jobs", "3", "--json", "a.bmp", "b.jpg"});
    EXPECT_EQ(o.quality, 55);
    EXPECT_EQ(o.maxSize, 0);
    EXPECT_EQ(o.outputDir, "out");
    EXPECT_TRUE(o.overwrite);
    EXPECT_EQ(o.jobs, 3);
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.files, (std::vector<std::string>{"a.bmp", "b.jpg"}));

    BatchOptions d = ParseArguments({"--max-size=300k", "--", "-odd.bmp", "x.bmp"});
    EXPECT_EQ(d.quality, 80);
    EXPECT_EQ(d.maxSize, 300 * 1024);
    EXPECT_EQ(d.jobs, 0);
    EXPECT_FALSE(d.overwrite);
    EXPECT_EQ(d.files, (std::vector<std::string>{"-odd.bmp", "x.bmp"}));
    EXPECT_TRUE(ParseArguments({"--help"}).help);

    BatchOptions s = ParseArguments({"--min-ssim", "0.95", "--min-local-ssim=1", "--max-size", "10k", "a.bmp"});
    EXPECT_DOUBLE_EQ(s.minSsim, 0.95);
    EXPECT_DOUBLE_EQ(s.minLocalSsim, 1.0);
    EXPECT_EQ(s.maxSize, 10 * 1024);
    EXPECT_EQ(d.minSsim, 0);
    EXPECT_EQ(d.minLocalSsim, 0);
}

TEST(Arguments, SizesTakeKAndMSuffixes) {
    EXPECT_EQ(ParseSize("1234"), 1234);
    EXPECT_EQ(ParseSize("2k"), 2048);
    EXPECT_EQ(ParseSize("2K"), 2048);
    EXPECT_EQ(ParseSize("3M"), 3 * 1024 * 1024);
    for (const char* bad : {"", "k", "0", "-5", "1.5k", "12 ", "5G", "99999999999999999999"})
        EXPECT_THROW(ParseSize(bad), UsageError) << bad;
}

TEST(Arguments, RefusesWhatCannotRun) {
    std::vector<std::vector<std::string>> bad = {
        {},
        {"-q", "80"},
        {"-q", "0", "a.bmp"},
        {"-q", "101", "a.bmp"},
        {"-q", "8x", "a.bmp"},
        {"-q", "80", "--max-size", "10k", "a.bmp"},
        {"--min-local-ssim", "0.9", "-q", "80", "a.bmp"},
        {"--min-ssim", "0", "a.bmp"},
        {"--min-ssim", "1.0001", "a.bmp"},
        {"--min-ssim", "-0.5", "a.bmp"},
        {"--min-ssim", "0.9x", "a.bmp"},
        {"--min-ssim", "nan", "a.bmp"},
        {"--min-local-ssim", "9e-1", "a.bmp"},
        {"--min-local-ssim", "", "a.bmp"},
        {"--jobs", "0", "a.bmp"},
        {"--frobnicate", "a.bmp"},
        {"a.bmp", "-o"},
        {"-o", "", "a.bmp"},
        {"--overwrite=yes", "a.bmp"},
    };
    for (const auto& args : bad) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_THROW(ParseArguments(args), UsageError) << line;
    }
}

TEST(Arguments, MetadataChoicesAndFileLists) {
    BatchOptions d = ParseArguments({"a.jpg"});
    EXPECT_EQ(d.metadata, zavo::TMetadataChoice{});
    BatchOptions o = ParseArguments({"--copy", "icc", "--strip-gps", "--files-from", "-", "-0"});
    EXPECT_EQ(o.metadata.copy, zavo::TMetadataCopy::Icc);
    EXPECT_TRUE(o.metadata.stripGps);
    EXPECT_EQ(o.filesFrom, "-");
    EXPECT_TRUE(o.nulSeparated);
    EXPECT_TRUE(o.files.empty());
    EXPECT_EQ(ParseArguments({"--copy=all", "a.jpg"}).metadata.copy, zavo::TMetadataCopy::All);
    for (const auto& args : std::vector<std::vector<std::string>>{{"--copy", "exif", "a.jpg"},
                                                                   {"--copy", "a.jpg"},
                                                                   {"-0", "a.jpg"},
                                                                   {"--strip-gps=1", "a.jpg"},
                                                                   {"--files-from", "", "a.jpg"}})
        EXPECT_THROW(ParseArguments(args), UsageError) << args[0] << " " << args[1];
}
