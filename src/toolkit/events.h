// Event signatures of the toolkit's controls. Handlers are plain std::function members; a form's
// stored layout binds them by name through the form's handler table.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <variant>

namespace zavo {

class TObject;

enum class TCloseAction { None, Hide, Free, Minimize };
enum class TScrollCode : int {
    LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, Position = 4, Track = 5, Top = 6, Bottom = 7, EndScroll = 8
};
enum class TUDBtnType { Up, Down };

// Shift state of a key event: bit 0 shift, bit 1 alt, bit 2 control.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4;

using TNotifyEvent = std::function<void(TObject* sender)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TScrollEvent = std::function<void(TObject* sender, TScrollCode code, int& scrollPos)>;
using TUDClickEvent = std::function<void(TObject* sender, TUDBtnType button)>;
// A turn of the mouse wheel by notches (positive away from the user), at (x, y) in the control.
using TMouseWheelEvent = std::function<void(TObject* sender, TShiftState shift, int notches, int x, int y)>;
// A context menu asked for at (x, y) in the control, by the right button or the keyboard.
using TContextPopupEvent = std::function<void(TObject* sender, int x, int y)>;

// The handlers a form offers to its stored layout, by name.
class THandlerTable {
public:
    using Handler = std::variant<TNotifyEvent, TKeyPressEvent, TKeyEvent, TCloseEvent, TScrollEvent, TUDClickEvent>;

    void Add(const std::string& name, Handler handler) { handlers_[name] = std::move(handler); }

    // The handler of that name with the event's signature; an unknown name or a handler of another
    // signature is a fault in the stored layout.
    template <typename Event>
    Event Get(const std::string& name) const {
        auto it = handlers_.find(name);
        if (it == handlers_.end()) throw std::runtime_error("layout names an unknown handler: " + name);
        if (auto* h = std::get_if<Event>(&it->second)) return *h;
        throw std::runtime_error("layout binds handler " + name + " to an event of another kind");
    }

private:
    std::map<std::string, Handler> handlers_;
};

}  // namespace zavo
