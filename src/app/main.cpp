#include <cstdio>
#include <exception>

#include "app/fullshow.h"
#include "app/mainview.h"
#include "codec/jpegimage.h"
#include "toolkit/application.h"

using namespace zavo;

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    AdjustDefaultsToScreen();
    try {
        app.SetIcon(":/icons/MAINICON.xpm");
        app.CreateForm<Tzavo>();
        app.CreateForm<Tfull>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zavo: the windows could not be created: %s\n", e.what());
        return 1;
    }
    app.Run();
    app.DestroyForms();
    mainview::curfile.clear();
    mainview::shownfile.clear();
    mainview::heldfile.clear();
    return 0;
}
