#include "Tessel/Implementation/PageCallArguments.hpp"

#include "Util/Log/Log.hpp"

#include <PK/JSArray.hpp>
#include <PK/JSValue.hpp>

#include <memory>

namespace TesselConnect::Implementation {

namespace {

const PK::JSValue* AsString(const PK::JSBaseRef& value) {
    const auto* scalar = dynamic_cast<const PK::JSValue*>(value.get());
    return scalar != nullptr && scalar->GetType() == PK::JSValue::STRING ? scalar : nullptr;
}

} // namespace

void WarnUnlessNoArguments(const PK::JSBaseRef& argument) {
    const auto* asValue = dynamic_cast<const PK::JSValue*>(argument.get());
    const auto* asArray = dynamic_cast<const PK::JSArray*>(argument.get());
    if ((asValue != nullptr && asValue->GetType() == PK::JSValue::DEFAULT) ||
        (asArray != nullptr && asArray->GetItemArray().GetSize() == 0)) {
        return;
    }
    LOG_WARN("failed assertion: (asValue && asValue->GetType() == PK::JSValue::DEFAULT) || (asArray && "
             "asArray->GetItemArray().GetSize() == 0)");
}

std::optional<QB::UniString> SingleStringArgument(const PK::JSBaseRef& argument) {
    if (const auto* text = AsString(argument)) {
        return text->GetString();
    }
    LOG_ERROR("failed assertion: param != nullptr && param->GetType() == PK::JSValue::STRING");
    return std::nullopt;
}

std::optional<QB::Array<QB::UniString>> StringArguments(const PK::JSBaseRef& argument,
                                                        std::string_view function, std::size_t count,
                                                        std::size_t checked) {
    const auto* paramArray = dynamic_cast<const PK::JSArray*>(argument.get());
    if (paramArray == nullptr) {
        LOG_ERROR("failed assertion: paramArray != nullptr");
        return std::nullopt;
    }
    const QB::Array<PK::JSBaseRef>& items = paramArray->GetItemArray();
    if (items.GetSize() < count) {
        LOG_ERROR("{}: parameter number is incorrect: {}", function, items.GetSize());
        return std::nullopt;
    }
    if (items.GetSize() > count) {
        LOG_WARN("failed assertion: array.GetSize() == {}", count);
    }
    QB::Array<QB::UniString> texts;
    texts.Reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        const auto* text = AsString(items[index]);
        if (text == nullptr && index < checked) {
            LOG_ERROR("{}: value type mismatch", function);
            return std::nullopt;
        }
        texts.Push(text != nullptr ? text->GetString() : QB::UniString());
    }
    return texts;
}

} // namespace TesselConnect::Implementation
