#include "base/persistent.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "base/exceptions.h"
#include "base/format.h"

namespace zavo {

std::string TPersistent::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

void TPersistent::CopyInto(TPersistent* target) { CopyFailure(this, target); }

void TPersistent::DeclareEmbedded(TFiler&) {}

void TPersistent::AssignFrom(TPersistent* source) {
    if (!source) CopyFailure(nullptr, this);
    source->CopyInto(this);
}

void TPersistent::CopyFailure(const TPersistent* source, const TPersistent* target) {
    throw EConvertError(Format(msg::AssignError, source ? source->ClassName() : std::string("nil"),
                               target ? target->ClassName() : std::string("nil")));
}

}  // namespace zavo
