// The root of the objects that can be copied into one another (graphics and the picture). A copy
// is asked of the target with AssignFrom; a target that does not know the source asks the source's
// CopyInto, and when neither knows the other the copy fails naming both classes.
#pragma once

#include <functional>
#include <string>

namespace zavo {

namespace msg {
inline constexpr const char* AssignError = "%s を %s に代入することはできません";
}  // namespace msg

class TStream;

// Receives the declarations of persisted properties (DeclareEmbedded).
class TFiler {
public:
    virtual ~TFiler() = default;
    virtual void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> reader,
                                      std::function<void(TStream&)> writer, bool hasData) = 0;
};

class TPersistent {
public:
    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;

    // The class name as the program spells it ("TBitmap"), without the namespace.
    std::string ClassName() const;

    virtual void CopyInto(TPersistent* target);
    virtual void DeclareEmbedded(TFiler& filer);
    virtual void AssignFrom(TPersistent* source);

protected:
    // Objects are destroyed through the class that declares the virtual destructor (TGraphic,
    // TPicture), so that the copy slots above keep their places at the head of the table.
    ~TPersistent() = default;

    // EConvertError "%s を %s に代入することはできません" with source ("nil" when absent) and target.
    [[noreturn]] static void CopyFailure(const TPersistent* source, const TPersistent* target);
};

}  // namespace zavo
