#include "codec/metadata.h"

#include <gtest/gtest.h>

#include "codec/bitmap.h"
#include "codec/bmpbytes.h"
#include "codec/exifgps.h"
#include "codec/jpegbitmaps.h"
#include "codec/metadatasamples.h"

using namespace zavo;
using namespace zavotest;

namespace {

std::shared_ptr<const TMetadata> Read(const Bytes& jpeg) {
    TJPEGImage image;
    LoadBytes(image, jpeg);
    return image.Holder().Metadata;
}

// What the pixels of the file compress to at quality 75 with the choice.
Bytes Recompress(const Bytes& jpeg, const TMetadataChoice& choice, std::shared_ptr<const TMetadata>* written = nullptr) {
    TJPEGImage source;
    LoadBytes(source, jpeg);
    TJPEGImage image;
    image.AssignFrom(source.EnsureDecoded());
    image.SetQuality(75);
    image.SetMetadataToWrite(MetadataToWrite(source.Holder().Metadata, choice));
    if (written != nullptr) *written = image.MetadataToWrite();
    image.Compress();
    return HeldBytes(image);
}

std::vector<TJpegMarker> Without(std::vector<TJpegMarker> segments, uint8_t code) {
    std::erase_if(segments, [code](const TJpegMarker& m) { return m.code == code; });
    return segments;
}

TJpegMarker Jfif(const Bytes& jpeg) { return SegmentsOf(jpeg).at(0); }

}  // namespace

TEST(Metadata, AJpegKeepsItsSegmentsAsReadAndItsProfileWhole) {
    Bytes profile = IccProfile(150000);  // three chunks
    Bytes camera = CameraJpeg(profile);
    std::shared_ptr<const TMetadata> read = Read(camera);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->markers, SegmentsOf(camera));
    EXPECT_EQ(read->iccProfile, profile);
    EXPECT_FALSE(read->cut);
    // The segments of the file as they stand there, marker and length included.
    int64_t inFile = 0;
    for (const TJpegMarker& m : SegmentsOf(camera)) inFile += 4 + int64_t(m.data.size());
    EXPECT_EQ(MetadataBytes(*read), inFile);
    // A plain compression carries only its JFIF header.
    EXPECT_EQ(Read(EncodeReference(RgbPattern(8, 8), 8, 8))->markers.size(), 1u);
}

TEST(Metadata, EachChoiceWritesItsSegmentsByteForByteBehindTheJfifHeader) {
    Bytes profile = IccProfile(150000);
    Bytes camera = CameraJpeg(profile);
    Bytes none = Recompress(camera, {TMetadataCopy::None, false});
    // Nothing chosen: the bytes of a compression that never heard of metadata.
    TJPEGImage plain;
    LoadBytes(plain, camera);
    TJPEGImage fresh;
    fresh.AssignFrom(plain.EnsureDecoded());
    fresh.SetQuality(75);
    fresh.Compress();
    EXPECT_EQ(none, HeldBytes(fresh));
    EXPECT_EQ(SegmentsOf(none).size(), 1u);

    std::shared_ptr<const TMetadata> written;
    Bytes all = Recompress(camera, {TMetadataCopy::All, false}, &written);
    // Every source segment in its order, payloads unchanged, except the JFIF header (the
    // compressor's own comes first) and the Adobe segment.
    std::vector<TJpegMarker> expected = {Jfif(none)};
    for (const TJpegMarker& m : Without(SegmentsOf(camera), 0xEE))
        if (m.code != 0xE0) expected.push_back(m);
    EXPECT_EQ(SegmentsOf(all), expected);
    EXPECT_EQ(IccProfileOf(all), profile);
    // The size grows by exactly what the size hint counts.
    EXPECT_EQ(int64_t(all.size() - none.size()), MetadataBytes(*written));

    Bytes icc = Recompress(camera, {TMetadataCopy::Icc, false}, &written);
    std::vector<TJpegMarker> segments = SegmentsOf(icc);
    ASSERT_EQ(segments.size(), 4u);  // JFIF and three chunks
    EXPECT_EQ(Without(segments, 0xE2).size(), 1u);
    EXPECT_EQ(IccProfileOf(icc), profile);
    EXPECT_EQ(int64_t(icc.size() - none.size()), MetadataBytes(*written));
    // The pixels are those of the plain compression whatever is kept.
    int w = 0, h = 0;
    EXPECT_EQ(DecodeReference(all, w, h), DecodeReference(none, w, h));
}

TEST(Metadata, StrippingGpsKeepsEveryOtherTagAndSegment) {
    Bytes camera = CameraJpeg();
    Bytes stripped = Recompress(camera, {TMetadataCopy::All, true});
    std::vector<TJpegMarker> before = SegmentsOf(camera), after = SegmentsOf(stripped);
    ASSERT_EQ(after.size(), before.size() - 1);  // the Adobe segment
    ExifTags tags = ReadExif(after.at(1).data);
    EXPECT_TRUE(tags.gps.empty());
    EXPECT_EQ(tags.ifd0.count(kTagGpsIfd), 0u);
    EXPECT_EQ(tags.ifd0[kTagOrientation], (Bytes{6, 0}));
    EXPECT_EQ(tags.ifd0[kTagDateTime], AsciiValue(kDate));
    EXPECT_EQ(tags.ifd0[kTagMake], AsciiValue("ZavoCam"));
    EXPECT_EQ(tags.exif[kTagDateTimeOriginal], AsciiValue(kDate));
    // The source did have them, read by the same walker.
    EXPECT_EQ(ReadExif(before.at(1).data).gps.size(), 3u);
    for (size_t i = 2; i < after.size(); ++i) EXPECT_EQ(after[i], before[i]) << i;

    // An EXIF block without GPS stays byte for byte; so does every block under copy without strip.
    Bytes noGps = ExifPayload(false);
    EXPECT_EQ(WithoutGps(noGps), noGps);
    EXPECT_EQ(SegmentsOf(Recompress(camera, {TMetadataCopy::All, false})).at(1).data, before.at(1).data);
}

TEST(Metadata, AMalformedExifIsCopiedAsItIsButNotStrippedOfWhatItCannotShow) {
    Bytes broken = ExifPayload(true);
    broken[6] = 'X';  // no byte order
    Bytes camera = WithSegments(EncodeReference(RgbPattern(16, 16), 16, 16), {{0xE1, broken}, {0xE1, XmpPayload()}});
    std::shared_ptr<const TMetadata> written;
    EXPECT_EQ(SegmentsOf(Recompress(camera, {TMetadataCopy::All, false}, &written)).at(1).data, broken);
    EXPECT_TRUE(written->note.empty());
    Bytes stripped = Recompress(camera, {TMetadataCopy::All, true}, &written);
    std::vector<TJpegMarker> after = SegmentsOf(stripped);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].data, XmpPayload());
    EXPECT_EQ(written->note, "EXIF が壊れているため GPS 情報を削除できません。EXIF は保存されません");
    // Cut short inside its first directory, or no TIFF at all.
    Bytes cut = ExifPayload(true);
    cut.resize(20);
    EXPECT_FALSE(WithoutGps(cut));
    EXPECT_FALSE(WithoutGps(Bytes{'E', 'x', 'i', 'f', 0, 0}));
}

TEST(Metadata, NoMoreThanAMegabyteOfSegmentsIsKept) {
    std::vector<TJpegMarker> comments(20, TJpegMarker{0xFE, Bytes(60000, 'c')});
    // The profile's chunks stand beyond the bound: none of them is kept.
    for (const TJpegMarker& c : IccChunks(IccProfile(100000))) comments.push_back(c);
    std::shared_ptr<const TMetadata> read = Read(WithSegments(EncodeReference(RgbPattern(8, 8), 8, 8), comments));
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->cut);
    EXPECT_LE(MetadataBytes(*read), kMaxMetadataBytes);
    EXPECT_EQ(read->markers.size(), 1u + (kMaxMetadataBytes - 18) / 60004);  // JFIF, then whole comments
    EXPECT_TRUE(read->iccProfile.empty());
    EXPECT_EQ(Without(read->markers, 0xE2).size(), read->markers.size());

    // A profile inside the bound stays whole even when comments behind it are dropped.
    std::vector<TJpegMarker> first = IccChunks(IccProfile(100000));
    first.insert(first.end(), 20, TJpegMarker{0xFE, Bytes(60000, 'c')});
    read = Read(WithSegments(EncodeReference(RgbPattern(8, 8), 8, 8), first));
    EXPECT_TRUE(read->cut);
    EXPECT_EQ(read->iccProfile, IccProfile(100000));
}

namespace {

// A 4 x 2 bitmap with a version-5 header whose colour space is type, its profile behind the pixels.
BmpBytes Bmp5(uint32_t type, const Bytes& profile) {
    BmpBytes b;
    const uint32_t pixelsAt = 14 + 124, pixelBytes = 2 * 12;
    b.u16(0x4D42).u32(0).u32(0).u32(pixelsAt);
    b.u32(124).u32(4).u32(2).u16(1).u16(24).u32(0).u32(pixelBytes).u32(2835).u32(2835).u32(0).u32(0);
    b.u32(0).u32(0).u32(0).u32(0).u32(type).fill(36, 0).u32(0).u32(0).u32(0);
    b.u32(4).u32(124 + pixelBytes).u32(uint32_t(profile.size())).u32(0);
    b.fill(pixelBytes, 0x80);
    b.bytes.insert(b.bytes.end(), profile.begin(), profile.end());
    b.put_u32(2, uint32_t(b.bytes.size()));
    return b;
}

std::shared_ptr<const TMetadata> ReadBmp(const BmpBytes& b) {
    TBitmap bitmap;
    TMemoryStream stream;
    FillStream(stream, b.bytes);
    bitmap.LoadStream(stream);
    return MetadataOf(&bitmap);
}

}  // namespace

TEST(Metadata, AVersion5BitmapGivesItsEmbeddedProfileAndNeverFollowsALinkedOne) {
    Bytes profile = IccProfile(3000);
    std::shared_ptr<const TMetadata> read = ReadBmp(Bmp5(0x4D424544, profile));  // "MBED"
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->iccProfile, profile);
    EXPECT_TRUE(read->markers.empty());
    // A linked profile names a file: nothing is read, whatever the name.
    std::string name = "/etc/passwd";
    EXPECT_EQ(ReadBmp(Bmp5(0x4C494E4B, Bytes(name.begin(), name.end()))), nullptr);
    // Pointing past the end of the file, or at no profile: none.
    EXPECT_EQ(ReadBmp(Bmp5(0x4D424544, profile).cut_to(14 + 124 + 24 + 100)), nullptr);
    Bytes notIcc = profile;
    notIcc[36] = 'x';
    EXPECT_EQ(ReadBmp(Bmp5(0x4D424544, notIcc)), nullptr);
    EXPECT_EQ(ReadBmp(Bmp24(4, 2)), nullptr);

    // Kept by both copying choices, as a profile of the compressed file.
    for (TMetadataCopy copy : {TMetadataCopy::Icc, TMetadataCopy::All}) {
        TJPEGImage jpeg;
        TBitmap bitmap;
        TMemoryStream stream;
        FillStream(stream, Bmp5(0x4D424544, profile).bytes);
        bitmap.LoadStream(stream);
        jpeg.AssignFrom(&bitmap);
        jpeg.SetMetadataToWrite(MetadataToWrite(MetadataOf(&bitmap), {copy, true}));
        jpeg.Compress();
        EXPECT_EQ(IccProfileOf(HeldBytes(jpeg)), profile);
    }
}
