// The full-screen before/after preview.
#pragma once

#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace zavo {

class Tfull : public TForm {
public:
    explicit Tfull(TApplication* app);

    TTimer* Timer = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormClick(TObject* sender);
    void FormKeyPress(TObject* sender, char& key);
    void TimerTimer(TObject* sender);

protected:
    void Loaded() override;
};

extern Tfull* full;

}  // namespace zavo
