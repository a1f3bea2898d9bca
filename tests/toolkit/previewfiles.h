// Small pictures for the preview tests, and what the preview area's label says.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>

#include <string>

namespace zavotest {

// A red w x h bitmap file named name in dir; returns its path.
inline std::string WriteBmp(const std::string& dir, const std::string& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(image.save(QString::fromStdString(path), "BMP"));
    return path;
}

inline std::string Text(QLabel* label) { return label->text().toStdString(); }

}  // namespace zavotest
