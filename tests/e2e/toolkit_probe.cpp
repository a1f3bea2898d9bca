// A small program for the end-to-end tests: two windows whose events are printed, one per line,
// so a script driving it with real X input can check their order.
#include <QApplication>

#include <cstdio>

#include "toolkit/application.h"
#include "toolkit/form.h"

using namespace zavo;

static void Log(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    THandlerTable t;
    t.Add("keyPress", TKeyPressEvent([](TObject*, char& k) {
        char line[32];
        std::snprintf(line, sizeof line, "key %d", k);
        Log(line);
    }));
    t.Add("editExit", TNotifyEvent([](TObject*) { Log("exit edit"); }));
    t.Add("buttonExit", TNotifyEvent([](TObject*) { Log("exit button"); }));
    t.Add("buttonClick", TNotifyEvent([](TObject*) { Log("click"); }));
    TForm* first = app.CreateForm<TForm>();
    first->LoadLayout("window probeA\n Caption \"probeA\"\n Left 10\n Top 10\n ClientWidth 300\n ClientHeight 100\n"
                      " KeyPreview true\n OnKeyPress keyPress\n"
                      " TButton button\n  Left 10\n  Top 10\n  Width 80\n  Height 30\n  Caption \"B\"\n"
                      "  TabOrder 0\n  OnClick buttonClick\n  OnExit buttonExit\n end\n"
                      " TEdit edit\n  Left 100\n  Top 10\n  Width 80\n  Height 30\n  TabOrder 1\n  OnExit editExit\n end\n"
                      "end\n", t);
    TForm* second = app.CreateForm<TForm>();
    second->LoadLayout("window probeB\n Caption \"probeB\"\n Left 400\n Top 10\n ClientWidth 200\n ClientHeight 100\nend\n", t);
    second->Show();
    first->Show();
    Log("ready");
    return app.Run();
}
