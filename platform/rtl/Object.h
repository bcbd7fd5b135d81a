#pragma once
// Root of the class hierarchy: a virtual destructor and the class name by which
// property storage and error texts refer to an object.
#include <QString>
#include <typeinfo>

namespace platform::rtl {
QString DemangledClassName(const std::type_info& info);
}

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
    // "TButton" for class TButton (global namespace), without namespaces for helpers.
    QString ClassName() const { return platform::rtl::DemangledClassName(typeid(*this)); }
    template <class T> bool InheritsFrom() const { return dynamic_cast<const T*>(this) != nullptr; }
};

// Assign/AssignTo chain: an object that cannot take another's value ends in EConvertError.
class TPersistent : public TObject {
public:
    virtual void Assign(TPersistent* source);
    // Owner for the name path of stored properties; none by default.
    virtual TPersistent* GetOwner() const { return nullptr; }
    virtual QString GetNamePath() const;

protected:
    virtual void AssignTo(TPersistent* dest);
    [[noreturn]] void AssignError(TPersistent* source);
};
