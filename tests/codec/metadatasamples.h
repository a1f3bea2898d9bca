// Metadata segments for the tests, built byte by byte here (an EXIF block with orientation, dates
// and a GPS directory, an XMP packet, an ICC profile, IPTC), spliced into JPEG files, and read back
// by a segment walker and an EXIF directory walker of the tests' own.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codec/jpegsamples.h"
#include "codec/metadata.h"

namespace zavotest {

using Bytes = std::vector<uint8_t>;

inline void PutLe16(Bytes& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void PutLe32(Bytes& b, size_t at, uint32_t v) {
    PutLe16(b, at, uint16_t(v));
    PutLe16(b, at + 2, uint16_t(v >> 16));
}
inline uint16_t Le16(const Bytes& b, size_t at) { return uint16_t(b.at(at) | b.at(at + 1) << 8); }
inline uint32_t Le32(const Bytes& b, size_t at) { return Le16(b, at) | uint32_t(Le16(b, at + 2)) << 16; }

struct TiffEntry {
    uint16_t tag;
    uint16_t type;  // 1 byte, 2 ascii, 3 short, 4 long, 5 rational
    uint32_t count;
    Bytes value;
};

inline TiffEntry Ascii(uint16_t tag, const std::string& text) {
    return {tag, 2, uint32_t(text.size() + 1), Bytes(text.c_str(), text.c_str() + text.size() + 1)};
}
inline TiffEntry Short(uint16_t tag, uint16_t v) { return {tag, 3, 1, {uint8_t(v), uint8_t(v >> 8), 0, 0}}; }
inline TiffEntry Long(uint16_t tag, uint32_t v) {
    Bytes b(4);
    PutLe32(b, 0, v);
    return {tag, 4, 1, b};
}

inline constexpr uint16_t kTagOrientation = 0x0112;
inline constexpr uint16_t kTagDateTime = 0x0132;
inline constexpr uint16_t kTagMake = 0x010F;
inline constexpr uint16_t kTagExifIfd = 0x8769;
inline constexpr uint16_t kTagGpsIfd = 0x8825;
inline constexpr uint16_t kTagDateTimeOriginal = 0x9003;
inline constexpr const char* kDate = "2024:05:01 10:20:30";

// An "Exif" APP1 payload (little-endian TIFF): IFD0 with make, orientation and date, an EXIF
// directory with the original date, and, with gps, a GPS directory (version, latitude).
inline Bytes ExifPayload(bool gps, uint16_t orientation = 6) {
    std::vector<std::vector<TiffEntry>> ifds(gps ? 3 : 2);
    ifds[0] = {Ascii(kTagMake, "ZavoCam"), Short(kTagOrientation, orientation), Ascii(kTagDateTime, kDate),
               Long(kTagExifIfd, 0)};
    if (gps) ifds[0].push_back(Long(kTagGpsIfd, 0));
    ifds[1] = {Ascii(kTagDateTimeOriginal, kDate)};
    if (gps) {
        Bytes latitude(24);
        for (int i = 0; i < 3; ++i) {
            PutLe32(latitude, size_t(i) * 8, uint32_t(35 + i));
            PutLe32(latitude, size_t(i) * 8 + 4, 1);
        }
        ifds[2] = {{0x0000, 1, 4, {2, 3, 0, 0}}, Ascii(0x0001, "N"), {0x0002, 5, 3, latitude}};
    }
    // Every directory with its out-of-line values behind it; the pointers follow from the sizes.
    std::vector<uint32_t> at(ifds.size());
    uint32_t pos = 8;
    for (size_t i = 0; i < ifds.size(); ++i) {
        at[i] = pos;
        pos += 2 + 12 * uint32_t(ifds[i].size()) + 4;
        for (const TiffEntry& e : ifds[i])
            if (e.value.size() > 4) pos += uint32_t(e.value.size() + 1) & ~1u;
    }
    ifds[0][3] = Long(kTagExifIfd, at[1]);
    if (gps) ifds[0][4] = Long(kTagGpsIfd, at[2]);
    Bytes tiff(pos, 0);
    tiff[0] = 'I';
    tiff[1] = 'I';
    PutLe16(tiff, 2, 42);
    PutLe32(tiff, 4, 8);
    for (size_t i = 0; i < ifds.size(); ++i) {
        size_t p = at[i];
        PutLe16(tiff, p, uint16_t(ifds[i].size()));
        size_t value = p + 2 + 12 * ifds[i].size() + 4;
        for (size_t k = 0; k < ifds[i].size(); ++k) {
            const TiffEntry& e = ifds[i][k];
            size_t entry = p + 2 + 12 * k;
            PutLe16(tiff, entry, e.tag);
            PutLe16(tiff, entry + 2, e.type);
            PutLe32(tiff, entry + 4, e.count);
            if (e.value.size() <= 4) {
                std::memcpy(&tiff[entry + 8], e.value.data(), e.value.size());
            } else {
                PutLe32(tiff, entry + 8, uint32_t(value));
                std::memcpy(&tiff[value], e.value.data(), e.value.size());
                value += (e.value.size() + 1) & ~size_t{1};
            }
        }
    }
    Bytes payload(6 + tiff.size());
    std::memcpy(payload.data(), "Exif\0", 6);
    std::copy(tiff.begin(), tiff.end(), payload.begin() + 6);
    return payload;
}

// The entries of the EXIF payload's directories by tag: IFD0's, the EXIF directory's and the GPS
// directory's (empty when absent). Raw values: inline bytes, or the out-of-line bytes.
struct ExifTags {
    std::map<uint16_t, Bytes> ifd0, exif, gps;
};

inline std::map<uint16_t, Bytes> ReadIfd(const Bytes& tiff, uint32_t at) {
    std::map<uint16_t, Bytes> tags;
    uint16_t n = Le16(tiff, at);
    for (uint16_t k = 0; k < n; ++k) {
        size_t e = at + 2 + 12 * size_t(k);
        uint16_t type = Le16(tiff, e + 2);
        uint32_t count = Le32(tiff, e + 4);
        size_t unit = type == 3 ? 2 : type == 4 ? 4 : type == 5 ? 8 : 1;
        size_t size = unit * count;
        size_t from = size <= 4 ? e + 8 : Le32(tiff, e + 8);
        tags[Le16(tiff, e)] = Bytes(tiff.begin() + long(from), tiff.begin() + long(from + size));
    }
    return tags;
}

inline ExifTags ReadExif(const Bytes& payload) {
    Bytes tiff(payload.begin() + 6, payload.end());
    ExifTags t;
    if (tiff.at(0) != 'I') return t;  // the tests write and libexif keeps the little-endian order
    t.ifd0 = ReadIfd(tiff, Le32(tiff, 4));
    if (t.ifd0.count(kTagExifIfd)) t.exif = ReadIfd(tiff, Le32(t.ifd0[kTagExifIfd], 0));
    if (t.ifd0.count(kTagGpsIfd)) t.gps = ReadIfd(tiff, Le32(t.ifd0[kTagGpsIfd], 0));
    return t;
}

inline Bytes AsciiValue(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }

inline Bytes XmpPayload() {
    std::string text = std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                       "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
                       "22-rdf-syntax-ns#\"><rdf:Description xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                       "xmp:Rating=\"4\"/></rdf:RDF></x:xmpmeta>";
    return Bytes(text.begin(), text.end());
}

// A Photoshop resource block holding one IPTC record: the object name "Harbour".
inline Bytes IptcPayload() {
    const std::string header = std::string("Photoshop 3.0") + '\0' + "8BIM";
    Bytes payload(header.begin(), header.end());
    const std::string name = "Harbour";
    payload.insert(payload.end(), {0x04, 0x04, 0, 0, 0, 0, 0, uint8_t(5 + name.size()), 0x1C, 0x02, 0x05, 0,
                                   uint8_t(name.size())});
    payload.insert(payload.end(), name.begin(), name.end());
    return payload;
}

inline Bytes AdobePayload() { return {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 1}; }

// An ICC profile of size bytes: the 128-byte header (its size, "acsp"), no tags, filler.
inline Bytes IccProfile(size_t size, uint8_t seed = 1) {
    Bytes p(size);
    for (size_t i = 0; i < size; ++i) p[i] = uint8_t(i * 31 + seed);
    p[0] = uint8_t(size >> 24);
    p[1] = uint8_t(size >> 16);
    p[2] = uint8_t(size >> 8);
    p[3] = uint8_t(size);
    std::memcpy(&p[36], "acsp", 4);
    return p;
}

// The APP2 chunks of a profile as a camera writes them, each at most chunk bytes of it.
inline std::vector<zavo::TJpegMarker> IccChunks(const Bytes& profile, size_t chunk = 65519) {
    std::vector<zavo::TJpegMarker> chunks;
    size_t count = (profile.size() + chunk - 1) / chunk;
    for (size_t i = 0; i < count; ++i) {
        Bytes data = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, uint8_t(i + 1), uint8_t(count)};
        size_t from = i * chunk, to = std::min(profile.size(), from + chunk);
        data.insert(data.end(), profile.begin() + long(from), profile.begin() + long(to));
        chunks.push_back({0xE2, data});
    }
    return chunks;
}

// The JPEG file with the segments put behind its JFIF header.
inline Bytes WithSegments(const Bytes& jpeg, const std::vector<zavo::TJpegMarker>& segments) {
    size_t at = 2 + 2 + (size_t(jpeg[4]) << 8 | jpeg[5]);  // SOI, then the APP0 the encoder wrote
    Bytes out(jpeg.begin(), jpeg.begin() + long(at));
    for (const zavo::TJpegMarker& s : segments) {
        size_t length = s.data.size() + 2;
        out.insert(out.end(), {0xFF, s.code, uint8_t(length >> 8), uint8_t(length)});
        out.insert(out.end(), s.data.begin(), s.data.end());
    }
    out.insert(out.end(), jpeg.begin() + long(at), jpeg.end());
    return out;
}

// Every APPn and COM segment in front of the first scan, in file order.
inline std::vector<zavo::TJpegMarker> SegmentsOf(const Bytes& jpeg) {
    std::vector<zavo::TJpegMarker> segments;
    size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
        uint8_t code = jpeg[pos + 1];
        size_t length = size_t(jpeg[pos + 2]) << 8 | jpeg[pos + 3];
        if ((code >= 0xE0 && code <= 0xEF) || code == 0xFE)
            segments.push_back({code, Bytes(jpeg.begin() + long(pos + 4), jpeg.begin() + long(pos + 2 + length))});
        pos += 2 + length;
    }
    return segments;
}

// The profile the file's APP2 chunks hold, put together by libjpeg; empty when there is none.
inline Bytes IccProfileOf(const Bytes& jpeg) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    JOCTET* data = nullptr;
    unsigned int size = 0;
    Bytes profile;
    if (jpeg_read_icc_profile(&cinfo, &data, &size)) profile.assign(data, data + size);
    std::free(data);
    jpeg_destroy_decompress(&cinfo);
    return profile;
}

// A 32 x 24 camera picture: EXIF with GPS, XMP, IPTC, a comment, an Adobe segment and a profile of
// two chunks.
inline Bytes CameraJpeg(const Bytes& profile = IccProfile(70000)) {
    std::vector<zavo::TJpegMarker> segments = {{0xE1, ExifPayload(true)}, {0xE1, XmpPayload()}};
    for (const zavo::TJpegMarker& c : IccChunks(profile)) segments.push_back(c);
    segments.push_back({0xED, IptcPayload()});
    segments.push_back({0xFE, {'h', 'e', 'l', 'l', 'o'}});
    segments.push_back({0xEE, AdobePayload()});
    return WithSegments(EncodeReference(RgbPattern(32, 24), 32, 24), segments);
}

}  // namespace zavotest
