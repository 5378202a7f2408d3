#include <PK/JSArray.hpp>
#include <PK/JSBase.hpp>
#include <PK/JSFunction.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace PK {

namespace {

template <typename T> T ClampToRange(double value) noexcept {
    if (std::isnan(value)) {
        return 0;
    }
    const double low = static_cast<double>(std::numeric_limits<T>::min());
    const double high = static_cast<double>(std::numeric_limits<T>::max());
    if (value <= low) {
        return std::numeric_limits<T>::min();
    }
    if (value >= high) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(std::trunc(value));
}

} // namespace

JSBase::~JSBase() = default;

bool JSValue::GetBool() const noexcept {
    switch (_type) {
    case BOOL:
        return _bool;
    case INTEGER:
        return _int != 0;
    case UINTEGER:
        return _uint != 0;
    case DOUBLE:
        return _double != 0.0 && !std::isnan(_double);
    case STRING:
    case DEFAULT:
        return false;
    }
    return false;
}

QB::Int32 JSValue::GetInteger() const noexcept {
    switch (_type) {
    case INTEGER:
        return _int;
    case UINTEGER:
        return ClampToRange<QB::Int32>(static_cast<double>(_uint));
    case DOUBLE:
        return ClampToRange<QB::Int32>(_double);
    case BOOL:
        return _bool ? 1 : 0;
    case STRING:
    case DEFAULT:
        return 0;
    }
    return 0;
}

QB::UInt32 JSValue::GetUInteger() const noexcept {
    switch (_type) {
    case UINTEGER:
        return _uint;
    case INTEGER:
        return ClampToRange<QB::UInt32>(static_cast<double>(_int));
    case DOUBLE:
        return ClampToRange<QB::UInt32>(_double);
    case BOOL:
        return _bool ? 1U : 0U;
    case STRING:
    case DEFAULT:
        return 0;
    }
    return 0;
}

double JSValue::GetDouble() const noexcept {
    switch (_type) {
    case DOUBLE:
        return _double;
    case INTEGER:
        return static_cast<double>(_int);
    case UINTEGER:
        return static_cast<double>(_uint);
    case BOOL:
        return _bool ? 1.0 : 0.0;
    case STRING:
    case DEFAULT:
        return 0.0;
    }
    return 0.0;
}

const QB::UniString& JSValue::GetString() const noexcept {
    static const QB::UniString empty;
    return _type == STRING ? _string : empty;
}

bool operator==(const JSValue& a, const JSValue& b) noexcept {
    if (a._type != b._type) {
        return false;
    }
    switch (a._type) {
    case JSValue::DEFAULT:
        return true;
    case JSValue::BOOL:
        return a._bool == b._bool;
    case JSValue::INTEGER:
        return a._int == b._int;
    case JSValue::UINTEGER:
        return a._uint == b._uint;
    case JSValue::DOUBLE:
        // Bitwise-identical doubles (NaN included) count as equal: this compares data, not numbers.
        return a._double == b._double || (std::isnan(a._double) && std::isnan(b._double));
    case JSValue::STRING:
        return a._string == b._string;
    }
    return false;
}

JSArray::JSArray(QB::Array<JSBaseRef> items) {
    _items.Reserve(items.GetSize());
    for (JSBaseRef& item : items) {
        AddItem(std::move(item));
    }
}

void JSArray::AddItem(JSBaseRef item) {
    _items.Push(item != nullptr ? std::move(item) : MakeDefaultValue());
}

JSFunction::JSFunction(const QB::UniString& name, Handler handler)
    : _name(name), _handler(std::move(handler)) {}

JSBaseRef JSFunction::Call(JSBaseRef argument) const {
    if (!_handler) {
        throw std::logic_error("JSFunction without a handler: " + _name.ToUtf8());
    }
    return _handler(std::move(argument));
}

void JSObject::AddItem(std::shared_ptr<JSFunction> function) {
    if (function == nullptr) {
        return;
    }
    const QB::UniString name = function->GetName();
    AddItem(name, std::move(function));
}

void JSObject::AddItem(const QB::UniString& name, JSBaseRef value) {
    if (value == nullptr) {
        value = MakeDefaultValue();
    }
    const auto [it, inserted] = _indexByName.try_emplace(name, _items.size());
    if (inserted) {
        _items.emplace_back(name, std::move(value));
    } else {
        _items[it->second].second = std::move(value);
    }
}

JSBaseRef JSObject::FindItem(const QB::UniString& name) const {
    const auto it = _indexByName.find(name);
    return it == _indexByName.end() ? nullptr : _items[it->second].second;
}

std::shared_ptr<JSFunction> JSObject::FindFunction(const QB::UniString& name) const {
    return std::dynamic_pointer_cast<JSFunction>(FindItem(name));
}

bool AreEqual(const JSBaseRef& a, const JSBaseRef& b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    if (auto va = std::dynamic_pointer_cast<JSValue>(a)) {
        auto vb = std::dynamic_pointer_cast<JSValue>(b);
        return vb != nullptr && *va == *vb;
    }
    if (auto fa = std::dynamic_pointer_cast<JSFunction>(a)) {
        auto fb = std::dynamic_pointer_cast<JSFunction>(b);
        return fb != nullptr && fa->GetName() == fb->GetName();
    }
    if (auto aa = std::dynamic_pointer_cast<JSArray>(a)) {
        auto ab = std::dynamic_pointer_cast<JSArray>(b);
        if (ab == nullptr || aa->GetItemArray().GetSize() != ab->GetItemArray().GetSize()) {
            return false;
        }
        for (QB::USize i = 0; i < aa->GetItemArray().GetSize(); ++i) {
            if (!AreEqual(aa->GetItemArray()[i], ab->GetItemArray()[i])) {
                return false;
            }
        }
        return true;
    }
    if (auto oa = std::dynamic_pointer_cast<JSObject>(a)) {
        auto ob = std::dynamic_pointer_cast<JSObject>(b);
        if (ob == nullptr || oa->GetName() != ob->GetName() ||
            oa->GetItemTable().size() != ob->GetItemTable().size()) {
            return false;
        }
        for (std::size_t i = 0; i < oa->GetItemTable().size(); ++i) {
            const auto& [nameA, valueA] = oa->GetItemTable()[i];
            const auto& [nameB, valueB] = ob->GetItemTable()[i];
            if (nameA != nameB || !AreEqual(valueA, valueB)) {
                return false;
            }
        }
        return true;
    }
    return false;
}

} // namespace PK
