// The comparison window under test: the real window, a file dialog that answers with the names a
// test sets, and a data folder (the trash's home) of the test's own.
#pragma once

#include <QFile>

#include <array>
#include <string>
#include <vector>

#include "base/streams.h"
#include "codec/bitmap.h"
#include "codec/jpegimage.h"
#include "codec/jpegsamples.h"
#include "codec/picture.h"
#include "codec/qualityfigures.h"
#include "support/apptest.h"
#include "support/testutil.h"
#include "toolkit/filedialogs.h"

namespace zavotest {

inline void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}
inline void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

// The pixel at (x, y) of Bmp24(w, h, seed), as red, green, blue.
inline std::array<uint8_t, 3> Bmp24Pixel(int x, int y, uint8_t seed) {
    return {uint8_t((x ^ y) + seed), uint8_t(y * 3 + seed), uint8_t(x * 5 + seed)};
}

// Top-down red-green-blue pixels of Bmp24(w, h, seed).
inline std::vector<uint8_t> Bmp24Pixels(int w, int h, uint8_t seed) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (uint8_t c : Bmp24Pixel(x, y, seed)) rgb.push_back(c);
    return rgb;
}

// The bytes the JPEG library itself makes of top-down red-green-blue pixels at quality q, the way
// the window compresses: float DCT and baseline tables.
inline std::string LibraryJpeg(int q, const std::vector<uint8_t>& rgb, int w, int h) {
    ReferenceOptions options;
    options.quality = q;
    const std::vector<uint8_t> bytes = EncodeReference(rgb, w, h, options);
    return std::string(bytes.begin(), bytes.end());
}

// A 24-bit bottom-up bitmap file of w x h whose pixels follow (x, y), padded with zeros to padTo bytes.
inline std::string Bmp24(int w, int h, uint8_t seed, size_t padTo = 0) {
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
            const std::array<uint8_t, 3> rgb = Bmp24Pixel(x, y, seed);
            s[at] = char(rgb[2]);
            s[at + 1] = char(rgb[1]);
            s[at + 2] = char(rgb[0]);
        }
    if (s.size() < padTo) s.resize(padTo, '\0');
    return s;
}

// The figures of JPEG bytes against the picture the window compressed, measured on this thread.
inline zavo::TQualityFigures SourceFigures(const void* bytes, size_t size) {
    zavo::TBitmap pixels;
    pixels.AssignFrom(zavo::mainview::srcjpeg->Bitmap());
    zavo::TMemoryStream m;
    m.WriteBuffer(bytes, int64_t(size));
    m.SetPosition(0);
    return zavo::MeasureJpeg(*zavo::WithPlainRows(pixels), m);
}

class Comparison : public AppTest {
protected:
    void SetUp() override {
        dir = TempDir();
        // The trash lives in the data folder; tests keep it in their own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(QString::fromStdString(dir + "/data")));
        AppTest::SetUp();
        zavo::TOpenDialog::ExecuteHook = [this](zavo::TOpenDialog& d) {
            ++dialogs;
            startName.push_back(d.FileName());
            std::string& answer = d.IsSaveDialog() ? saveAs : openAs;
            if (answer.empty()) return false;
            d.SetFileName(answer);
            return true;
        };
    }
    void TearDown() override {
        zavo::TOpenDialog::ExecuteHook = nullptr;
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
    // The bytes the JPEG library makes at quality q of the picture in Bmp24(w, h, seed).
    static std::string Expected(int q, int w, int h, uint8_t seed) { return LibraryJpeg(q, Bmp24Pixels(w, h, seed), w, h); }
    std::string Held() {
        zavo::TMemoryStream m;
        zavo::mainview::newjpeg->SaveStream(m);
        return std::string(reinterpret_cast<const char*>(m.Memory()), size_t(m.Size()));
    }
    bool Trashed(const std::string& name) {
        return QFile::exists(QString::fromStdString(dir + "/data/Trash/files/" + name));
    }

    std::string dir, openAs, saveAs;
    std::vector<std::string> startName;
    int dialogs = 0;
};

}  // namespace zavotest
