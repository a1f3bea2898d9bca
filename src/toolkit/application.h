// The application object: title, icon, the forms it owns, the main window, the message loop and
// the catch-all that hands every exception escaping a handler to the error box.
#pragma once

#include <QApplication>
#include <QTranslator>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zavo {

class TForm;

class TApplication {
public:
    // Creates the Qt application, speaking Japanese in every text Qt draws itself; the title comes
    // from the program file's name.
    TApplication(int& argc, char** argv);
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    static TApplication* Instance() { return instance_; }

    const std::string& Title() const { return title_; }
    // The window icon, read from a file or a compiled-in resource (":/...").
    void SetIcon(const std::string& path);

    // Creates a form owned by the application; the first one becomes the main window. A failure
    // while the form is created, its create handler included, leaves this call.
    template <typename T, typename... Args>
    T* CreateForm(Args&&... args) {
        auto form = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = form.get();
        owned_.push_back(std::move(form));
        return raw;
    }
    TForm* MainForm() const { return mainForm_; }

    // Shows the main window and runs the message loop until the main window closes.
    int Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Destroys the forms in the reverse order of their creation, each raising OnDestroy first.
    void DestroyForms();

    // Cancels a mouse capture, then reports an exception in the error box (EAbort is dropped).
    void HandleException(const std::exception& e);
    // Runs f; an exception escaping it goes to the error box of the running application.
    template <typename F>
    static void Guard(F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            if (instance_) instance_->HandleException(e);
        } catch (...) {
            if (instance_) instance_->HandleException(std::runtime_error(""));
        }
    }

    // Tests replace the modal box with a recorder: it receives the text and caption shown.
    std::function<void(const std::string& text, const std::string& caption)> ShowErrorBox;

    void FormCreated(TForm* form);
    void FormDestroyed(TForm* form);

private:
    static TApplication* instance_;
    std::unique_ptr<QApplication> qt_;
    QTranslator qtTexts_;
    std::string title_;
    std::vector<std::unique_ptr<TForm>> owned_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

// The application title of a program file: its name without folder, cut at the first ".", every
// character after the first lower-cased.
std::string TitleFromProgramPath(const std::string& path);

}  // namespace zavo
