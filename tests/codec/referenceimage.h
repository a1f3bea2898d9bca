// Reference renderings (PNG files of the shared test data) read with Qt, and pixel comparison
// against a surface.
#pragma once

#include <QImage>
#include <QString>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/palette.h"
#include "platform/surface.h"

namespace zavotest {

inline QImage ReadReference(const std::string& path) {
    QImage image(QString::fromStdString(path));
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Describes the first pixel whose red, green or blue differs by more than the tolerance (alpha
// ignored); empty when all agree. Fully transparent reference pixels can be left out: some
// references store them as black whatever the file holds.
inline std::string FirstDifference(const zavo::platform::Surface& s, const QImage& ref, int tolerance = 0,
                                   bool skipClear = false) {
    if (ref.width() != s.Width() || ref.height() != s.Height())
        return "size " + std::to_string(s.Width()) + "x" + std::to_string(s.Height()) + " against " +
               std::to_string(ref.width()) + "x" + std::to_string(ref.height());
    for (int y = 0; y < ref.height(); ++y)
        for (int x = 0; x < ref.width(); ++x) {
            const QRgb r = ref.pixel(x, y);
            const zavo::platform::ColorRef c = s.Pixel(x, y);
            if (skipClear && qAlpha(r) == 0) continue;
            if (std::abs(zavo::platform::RedOf(c) - qRed(r)) > tolerance ||
                std::abs(zavo::platform::GreenOf(c) - qGreen(r)) > tolerance ||
                std::abs(zavo::platform::BlueOf(c) - qBlue(r)) > tolerance) {
                std::ostringstream out;
                out << "pixel " << x << "," << y << ": " << std::hex << (c & 0xFFFFFF) << " (0xBBGGRR) against "
                    << (r & 0xFFFFFF) << " (0xRRGGBB)";
                return out.str();
            }
        }
    return {};
}

struct SuiteFile {
    std::string file;       // "g/pal8.bmp"
    std::string kind;       // "g", "q", "b" or "x"
    std::vector<std::string> references;
    int width = 0;
    int height = 0;
};

// The rows of the suite's EXPECTED.tsv.
inline std::vector<SuiteFile> SuiteFiles(const std::string& tsvPath) {
    std::vector<SuiteFile> files;
    std::ifstream in(tsvPath);
    std::string line;
    std::getline(in, line);
    const std::regex size(R"((-?\d+)x(-?\d+))");
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t')) cols.push_back(col);
        if (cols.size() < 5) continue;
        SuiteFile f;
        f.file = cols[0];
        f.kind = cols[1];
        std::stringstream refs(cols[3]);
        while (std::getline(refs, col, ','))
            if (col.size() > 4 && col.substr(col.size() - 4) == ".png") f.references.push_back(col);
        std::smatch m;
        if (std::regex_search(cols[4], m, size)) {
            f.width = std::abs(std::stoi(m[1]));
            f.height = std::abs(std::stoi(m[2]));
        }
        files.push_back(f);
    }
    return files;
}

}  // namespace zavotest
