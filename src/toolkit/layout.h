// The stored-layout reader. A layout is a small text compiled into the program:
//
//   window zavo                  the form's own properties and events follow
//     Caption "zavo"
//     OnClick FormClick
//     TLabel savesize            a control, created in this order, parent = enclosing block
//       Left 454
//     end
//   end
//
// Values are integers, "texts", identifiers or [sets]; '#' starts a comment. An unknown class,
// property, event or handler is an error, never skipped.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/events.h"

namespace zavo {

class TForm;
class TObject;

// Layouts are stored for 96 pixels per inch and scaled to pixelsPerInch (0: the screen's).
void ReadLayout(TForm& form, const std::string& text, const THandlerTable& handlers,
                std::vector<std::unique_ptr<TObject>>& components, int pixelsPerInch = 0);

// Reads a layout text compiled in with the resource system (":/layouts/<name>").
std::string LayoutResource(const std::string& name);

}  // namespace zavo
