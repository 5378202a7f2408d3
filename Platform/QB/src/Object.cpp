#include <QB/Channel.hpp>
#include <QB/Debug.hpp>
#include <QB/Object.hpp>

#include <mutex>
#include <ostream>
#include <unordered_map>

#include <fmt/format.h>

namespace QB {

struct ClassManager::Registry {
    mutable std::mutex mutex;
    std::unordered_map<Guid, const ClassInfo*> byId;
};

ClassManager::ClassManager() : _registry(std::make_unique<Registry>()) {}
ClassManager::~ClassManager() = default;

ClassManager& ClassManager::Instance() {
    static ClassManager manager;
    return manager;
}

bool ClassManager::Register(const ClassInfo& info) {
    std::lock_guard lock(_registry->mutex);
    const auto [it, added] = _registry->byId.emplace(info.GetId(), &info);
    if (!added && it->second != &info) {
        DBPrint(fmt::format("QB::ClassManager: class {} not registered, its guid belongs to {}\n",
                            info.GetName(), it->second->GetName())
                    .c_str());
        return false;
    }
    return true;
}

void ClassManager::Unregister(const ClassInfo& info) {
    std::lock_guard lock(_registry->mutex);
    const auto it = _registry->byId.find(info.GetId());
    if (it != _registry->byId.end() && it->second == &info) {
        _registry->byId.erase(it);
    }
}

const ClassInfo* ClassManager::Find(const Guid& classId) const {
    std::lock_guard lock(_registry->mutex);
    const auto it = _registry->byId.find(classId);
    return it == _registry->byId.end() ? nullptr : it->second;
}

const ClassInfo* ClassManager::FindByName(const UniString& name) const {
    std::lock_guard lock(_registry->mutex);
    for (const auto& [id, info] : _registry->byId) {
        if (info->GetName() == name) {
            return info;
        }
    }
    return nullptr;
}

std::unique_ptr<Object> ClassManager::CreateObject(const Guid& classId) const {
    const ClassInfo* info = Find(classId);
    return info == nullptr ? nullptr : info->Construct();
}

USize ClassManager::GetClassCount() const {
    std::lock_guard lock(_registry->mutex);
    return _registry->byId.size();
}

ClassInfo::ClassInfo(std::string_view name, const Guid& id, UInt16 mainVersion, UInt16 minorVersion,
                     Constructor constructor)
    : _name(name), _id(id), _mainVersion(mainVersion), _minorVersion(minorVersion),
      _constructor(constructor) {
    _registered = ClassManager::Instance().Register(*this);
}

ClassInfo::~ClassInfo() {
    if (_registered) {
        ClassManager::Instance().Unregister(*this);
    }
}

std::unique_ptr<Object> ClassInfo::Construct() const {
    return _constructor == nullptr ? nullptr : _constructor();
}

std::ostream& operator<<(std::ostream& os, const ClassInfo& info) {
    return os << fmt::format("{}", info);
}

Object::~Object() = default;

std::unique_ptr<Object> Object::Clone() const {
    return nullptr;
}

void Object::Print(std::ostream& os) const {
    const ClassInfo* info = GetClassInfo();
    if (info != nullptr) {
        os << *info;
    } else {
        os << "QB::Object";
    }
}

void Object::Dump(std::ostream& os) const {
    Print(os);
}

ErrCode Object::Store(OChannel& oc) const {
    const ClassInfo* info = GetClassInfo();
    if (info == nullptr) {
        oc.SetError(ErrorBadParameter);
        return oc.GetStatus();
    }
    if (oc.Write(info->GetId()) != NoError) {
        return oc.GetStatus();
    }
    return Write(oc);
}

std::unique_ptr<Object> Restore(IChannel& ic, ErrCode* status) {
    const auto fail = [&](ErrCode error) -> std::unique_ptr<Object> {
        ic.SetError(error);
        if (status != nullptr) {
            *status = ic.GetStatus();
        }
        return nullptr;
    };
    Guid classId;
    if (ic.Read(classId) != NoError) {
        return fail(ic.GetStatus());
    }
    std::unique_ptr<Object> object = ClassManager::Instance().CreateObject(classId);
    if (object == nullptr) {
        return fail(ErrorCorruptedData);
    }
    if (const ErrCode error = object->Read(ic); error != NoError) {
        return fail(error);
    }
    if (status != nullptr) {
        *status = NoError;
    }
    return object;
}

} // namespace QB
