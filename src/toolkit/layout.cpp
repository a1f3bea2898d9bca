#include "toolkit/layout.h"

#include <QFile>
#include <QFontMetrics>

#include <cmath>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>

#include "platform/screen.h"
#include "toolkit/button.h"
#include "toolkit/checkbox.h"
#include "toolkit/edit.h"
#include "toolkit/filedialogs.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/label.h"
#include "toolkit/picturedialog.h"
#include "toolkit/scrollbar.h"
#include "toolkit/scrollbox.h"
#include "toolkit/timer.h"
#include "toolkit/updown.h"

namespace zavo {

namespace {

using Factory = std::function<std::unique_ptr<TObject>(TForm*, TControl*)>;

const std::map<std::string, Factory>& Factories() {
    static const std::map<std::string, Factory> factories = {
        {"TLabel", [](TForm* f, TControl* p) { return std::make_unique<TLabel>(f, p); }},
        {"TButton", [](TForm* f, TControl* p) { return std::make_unique<TButton>(f, p); }},
        {"TCheckBox", [](TForm* f, TControl* p) { return std::make_unique<TCheckBox>(f, p); }},
        {"TEdit", [](TForm* f, TControl* p) { return std::make_unique<TEdit>(f, p); }},
        {"TUpDown", [](TForm* f, TControl* p) { return std::make_unique<TUpDown>(f, p); }},
        {"TScrollBox", [](TForm* f, TControl* p) { return std::make_unique<TScrollBox>(f, p); }},
        {"TImage", [](TForm* f, TControl* p) { return std::make_unique<TImage>(f, p); }},
        {"TScrollBar", [](TForm* f, TControl* p) { return std::make_unique<TScrollBar>(f, p); }},
        {"TTimer", [](TForm* f, TControl*) { return std::make_unique<TTimer>(f); }},
        {"TOpenDialog", [](TForm* f, TControl*) { return std::make_unique<TOpenDialog>(f); }},
        {"TSaveDialog", [](TForm* f, TControl*) { return std::make_unique<TSaveDialog>(f); }},
        {"TOpenPictureDialog", [](TForm* f, TControl*) { return std::make_unique<TOpenPictureDialog>(f); }},
    };
    return factories;
}

[[noreturn]] void Fail(int line, const std::string& what) {
    throw std::runtime_error("layout line " + std::to_string(line) + ": " + what);
}

LayoutValue ParseValue(const std::string& text, int line) {
    LayoutValue v;
    if (text.empty()) Fail(line, "value missing");
    if (text.front() == '"') {
        if (text.size() < 2 || text.back() != '"') Fail(line, "unterminated text");
        v.kind = LayoutValue::Kind::Text;
        v.text = text.substr(1, text.size() - 2);
    } else if (text.front() == '[') {
        if (text.back() != ']') Fail(line, "unterminated set");
        v.kind = LayoutValue::Kind::Set;
        std::stringstream items(text.substr(1, text.size() - 2));
        std::string item;
        while (std::getline(items, item, ',')) {
            size_t b = item.find_first_not_of(' '), e = item.find_last_not_of(' ');
            if (b != std::string::npos) v.set.push_back(item.substr(b, e - b + 1));
        }
    } else if (text.front() == '-' || std::isdigit(static_cast<unsigned char>(text.front()))) {
        v.kind = LayoutValue::Kind::Integer;
        try {
            size_t used = 0;
            v.integer = std::stoll(text, &used, 0);
            if (used != text.size()) Fail(line, "bad integer " + text);
        } catch (const std::logic_error&) {
            Fail(line, "bad integer " + text);
        }
    } else {
        v.kind = LayoutValue::Kind::Ident;
        v.text = text;
    }
    return v;
}

// Layouts are stored for 96 pixels per inch. On another screen the font heights scale with the
// resolution and the geometry with the height the scaled form font gives the text "0".
class Scaler {
public:
    Scaler(TForm& form, int ppi) : form_(form), ppi_(ppi > 0 ? ppi : platform::ScreenPixelsPerInch()) {}

    LayoutValue Apply(const std::string& name, LayoutValue v) {
        if (ppi_ == 96 || v.kind != LayoutValue::Kind::Integer) return v;
        static const char* geometry[] = {"Left", "Top", "Width", "Height", "ClientWidth", "ClientHeight"};
        if (name == "Font.Height") {
            v.integer = std::llround(static_cast<double>(v.integer) * ppi_ / 96.0);
        } else {
            for (const char* g : geometry)
                if (name == g) v.integer = std::llround(static_cast<double>(v.integer) * Factor());
        }
        return v;
    }

private:
    double Factor() {
        if (factor_ == 0) factor_ = QFontMetrics(form_.Font()).boundingRect(QStringLiteral("0")).height() / 12.0;
        return factor_ > 0 ? factor_ : 1.0;
    }
    TForm& form_;
    int ppi_;
    double factor_ = 0;
};

}  // namespace

void ReadLayout(TForm& form, const std::string& text, const THandlerTable& handlers,
                std::vector<std::unique_ptr<TObject>>& components, int pixelsPerInch) {
    std::istringstream in(text);
    std::string raw;
    int line = 0;
    std::vector<TObject*> stack;
    bool sawWindow = false;
    Scaler scaler(form, pixelsPerInch);
    while (std::getline(in, raw)) {
        ++line;
        size_t b = raw.find_first_not_of(" \t\r");
        if (b == std::string::npos || raw[b] == '#') continue;
        size_t e = raw.find_last_not_of(" \t\r");
        std::string content = raw.substr(b, e - b + 1);
        size_t space = content.find(' ');
        std::string head = content.substr(0, space);
        std::string rest = space == std::string::npos ? "" : content.substr(content.find_first_not_of(' ', space));

        if (head == "end") {
            if (stack.empty()) Fail(line, "end without block");
            stack.pop_back();
            continue;
        }
        if (head == "window") {
            if (sawWindow || !stack.empty()) Fail(line, "only one window per layout");
            sawWindow = true;
            form.SetName(rest);
            stack.push_back(&form);
            continue;
        }
        if (stack.empty()) Fail(line, "outside the window block");
        auto factory = Factories().find(head);
        if (factory != Factories().end()) {
            auto* parent = dynamic_cast<TControl*>(stack.back());
            if (!parent) Fail(line, head + " inside a component that holds no controls");
            if (rest.empty() || form.FindComponent(rest)) Fail(line, "missing or repeated name " + rest);
            components.push_back(factory->second(&form, parent));
            components.back()->SetName(rest);
            stack.push_back(components.back().get());
            continue;
        }
        if (head.size() > 2 && head.rfind("On", 0) == 0) {
            if (!stack.back()->BindEvent(head, rest, handlers))
                Fail(line, stack.back()->Name() + " has no event " + head);
            continue;
        }
        if (!stack.back()->SetProperty(head, scaler.Apply(head, ParseValue(rest, line))))
            Fail(line, stack.back()->Name() + " has no property " + head);
    }
    if (!stack.empty() || !sawWindow) Fail(line, "unterminated window block");
}

std::string LayoutResource(const std::string& name) {
    QFile file(QString::fromStdString(":/layouts/" + name));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("no stored layout " + name);
    return file.readAll().toStdString();
}

}  // namespace zavo
