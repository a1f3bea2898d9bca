// A fixture that builds the program's two windows the way the program does, with the error box
// replaced by a recorder.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "app/fullshow.h"
#include "app/mainview.h"
#include "toolkit/application.h"

namespace zavotest {

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "zavo";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<zavo::TApplication>(argc, argv);
        app->ShowErrorBox = [this](const std::string& text, const std::string&) { errors.push_back(text); };
        main = app->CreateForm<zavo::Tzavo>();
        preview = app->CreateForm<zavo::Tfull>();
    }
    void TearDown() override { app.reset(); }

    // Shows the comparison window and waits until it is the active window.
    void ShowMain() {
        main->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main->Widget()));
    }

    std::unique_ptr<zavo::TApplication> app;
    zavo::Tzavo* main = nullptr;
    zavo::Tfull* preview = nullptr;
    std::vector<std::string> errors;
};

}  // namespace zavotest
