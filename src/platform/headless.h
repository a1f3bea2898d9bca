// The Qt application object of a program without windows. Text in metafiles is drawn through Qt's
// font database, which exists only while a GUI application object does; this one runs on the
// offscreen platform, so no display is needed.
#pragma once

#include <memory>

class QGuiApplication;

namespace zavo::platform {

class HeadlessGui {
public:
    // Qt sees only the program name, never the program's own arguments.
    explicit HeadlessGui(const char* programName);
    ~HeadlessGui();
    HeadlessGui(const HeadlessGui&) = delete;
    HeadlessGui& operator=(const HeadlessGui&) = delete;

private:
    int argc_ = 1;
    char* argv_[2];
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace zavo::platform
