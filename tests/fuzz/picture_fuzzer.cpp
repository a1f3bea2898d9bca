// Writes arbitrary bytes to a file under each registered extension in turn, loads it through the
// picture container and draws what loaded into a small 32-bit bitmap.
#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "base/exceptions.h"
#include "codec/bitmap.h"
#include "codec/canvas.h"
#include "codec/fileformats.h"
#include "codec/picture.h"

namespace {

// Drawing a picture announced as hundreds of megapixels only costs time here.
constexpr int64_t kMaxFuzzPixels = int64_t{1} << 20;

std::string folder;

bool WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    char pattern[] = "/tmp/zavo-picture-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    folder = pattern;
    std::atexit([] { rmdir(folder.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zavo;
    for (const TFileFormat& format : TFileFormatsList::Instance().Entries()) {
        const std::string path = folder + "/input." + format.extension;
        if (!WriteInput(path, data, size)) std::abort();
        TPicture picture;
        try {
            picture.LoadPictureFile(path);
        } catch (const Exception&) {
        }
        std::remove(path.c_str());
        try {
            if (int64_t{picture.Width()} * picture.Height() > kMaxFuzzPixels) continue;
            TBitmap target;
            target.SetPixelFormat(TPixelFormat::Bit32);
            target.SetWidth(24);
            target.SetHeight(24);
            target.Canvas().StretchDraw(Rect(1, 1, 23, 23), picture.Graphic());
        } catch (const Exception&) {
        }
    }
    return 0;
}
