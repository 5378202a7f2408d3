#pragma once

// Serialisable objects of the host core library and their class registry.
//
// Every serialisable class has one ClassInfo, normally a static object defined next to the
// class: constructing it registers the class with the process-wide ClassManager (so classes
// are known as soon as their library is loaded), destroying it unregisters the class. A
// class with a constructor function can be recreated from its class guid alone, which is how
// polymorphic objects are read back (class guid first, then the object).
//
// Main thread by convention; the registry itself is guarded so static registration from
// several libraries is safe.

#include <QB/Guid.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <iosfwd>
#include <memory>
#include <string_view>

#include <fmt/format.h>

namespace QB {

class Object;
class IChannel;
class OChannel;

class ClassInfo {
public:
    using Constructor = std::unique_ptr<Object> (*)();

    // Registers the class with ClassManager::Instance(). A second class with the same guid
    // is not registered (the first one stays; IsRegistered() tells) and a line goes to DBPrint.
    ClassInfo(std::string_view name, const Guid& id, UInt16 mainVersion, UInt16 minorVersion,
              Constructor constructor = nullptr);
    ~ClassInfo();
    ClassInfo(const ClassInfo&) = delete;
    ClassInfo& operator=(const ClassInfo&) = delete;

    const UniString& GetName() const noexcept { return _name; }
    const Guid& GetId() const noexcept { return _id; }
    UInt16 GetMainVersion() const noexcept { return _mainVersion; }
    UInt16 GetMinorVersion() const noexcept { return _minorVersion; }
    bool HasConstructor() const noexcept { return _constructor != nullptr; }
    bool IsRegistered() const noexcept { return _registered; }
    // A new default object of the class; nullptr without a constructor function.
    std::unique_ptr<Object> Construct() const;

private:
    UniString _name;
    Guid _id;
    UInt16 _mainVersion;
    UInt16 _minorVersion;
    Constructor _constructor;
    bool _registered = false;
};

// Printed as: name " {" guid "} " main "." minor, e.g. "Model::VirtualType {A9242288-...} 1.0".
std::ostream& operator<<(std::ostream& os, const ClassInfo& info);

class ClassManager {
public:
    static ClassManager& Instance();

    // False when another class already holds the guid.
    bool Register(const ClassInfo& info);
    // Only removes `info` itself, never another class registered under the same guid.
    void Unregister(const ClassInfo& info);

    const ClassInfo* Find(const Guid& classId) const;
    const ClassInfo* FindByName(const UniString& name) const;
    // nullptr when the class is unknown or has no constructor.
    std::unique_ptr<Object> CreateObject(const Guid& classId) const;
    USize GetClassCount() const;

private:
    ClassManager();
    ~ClassManager();
    struct Registry;
    std::unique_ptr<Registry> _registry;
};

class Object {
public:
    virtual ~Object();

    // A deep copy; the base answers nullptr for classes that cannot be copied.
    virtual std::unique_ptr<Object> Clone() const;
    virtual const ClassInfo* GetClassInfo() const = 0;
    // Both return the channel's status afterwards; they never throw for bad bytes.
    virtual ErrCode Read(IChannel& ic) = 0;
    virtual ErrCode Write(OChannel& oc) const = 0;
    // Text forms for logs; the base prints the class information.
    virtual void Print(std::ostream& os) const;
    virtual void Dump(std::ostream& os) const;
    virtual bool CheckState() const { return true; }

    // Polymorphic form: the class guid, then Write.
    ErrCode Store(OChannel& oc) const;

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

// Reads a class guid and then an object of that class (the counterpart of Object::Store).
// On failure returns nullptr and sets *status (when given): the channel's error, or
// ErrorCorruptedData for a class that is unknown or cannot be constructed.
std::unique_ptr<Object> Restore(IChannel& ic, ErrCode* status = nullptr);

} // namespace QB

template <> struct fmt::formatter<QB::ClassInfo> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext> auto format(const QB::ClassInfo& info, FormatContext& ctx) const {
        const std::string text = fmt::format("{} {{{}}} {}.{}", info.GetName(), info.GetId(),
                                             info.GetMainVersion(), info.GetMinorVersion());
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
