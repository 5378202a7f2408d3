#include "PageCall.hpp"

#include "FuzzTarget.hpp"
#include "FuzzWorld.hpp"
#include "ReuseCheck.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/PlanData.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <PK/InProcessBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <QB/Runnable.hpp>

#include "Util/Json/ParseException.hpp"
#include "Util/Json/RapidJson.hpp"

#include <fmt/format.h>

#include <memory>
#include <string>

namespace TesselConnect::Fuzz {

namespace {

// The browser's conversion of the page's values: nesting beyond its limit arrives as undefined.
PK::JSBaseRef ToJS(const rapidjson::Value& value, int depth) {
    constexpr int MaxDepth = 256;
    if (depth > MaxDepth) {
        return PK::MakeDefaultValue();
    }
    switch (value.GetType()) {
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
        return std::make_shared<PK::JSValue>(value.GetBool());
    case rapidjson::kNumberType:
        if (value.IsInt()) {
            return std::make_shared<PK::JSValue>(static_cast<QB::Int32>(value.GetInt()));
        }
        if (value.IsUint()) {
            return std::make_shared<PK::JSValue>(static_cast<QB::UInt32>(value.GetUint()));
        }
        return std::make_shared<PK::JSValue>(value.GetDouble());
    case rapidjson::kStringType:
        return PK::MakeStringValue(QB::UniString(std::string(value.GetString(), value.GetStringLength())));
    case rapidjson::kArrayType: {
        auto array = std::make_shared<PK::JSArray>();
        for (const rapidjson::Value& item : value.GetArray()) {
            array->AddItem(ToJS(item, depth + 1));
        }
        return array;
    }
    case rapidjson::kObjectType: {
        auto object = std::make_shared<PK::JSObject>();
        for (const auto& member : value.GetObject()) {
            object->AddItem(
                QB::UniString(std::string(member.name.GetString(), member.name.GetStringLength())),
                ToJS(member.value, depth + 1));
        }
        return object;
    }
    case rapidjson::kNullType:
        break;
    }
    return PK::MakeDefaultValue();
}

PK::JSBaseRef Argument(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The add-on's RapidJSON reports a parse error by throwing; bytes that are no JSON reach the
    // add-on as the page's plain string.
    rapidjson::Document document;
    try {
        document.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag>(text.c_str(),
                                                                                           text.size());
    } catch (const Json::ParseException&) {
        return PK::MakeStringValue(QB::UniString(text));
    }
    if (document.HasParseError()) {
        return PK::MakeStringValue(QB::UniString(text));
    }
    return ToJS(document, 0);
}

void CheckRecordsReadBack(FuzzWorld& world) {
    for (const auto& [name, record] : world.host.GetProject().modulData) {
        // A record the call left as the project had it is the one the world was opened with, read then.
        if (const API_ModulData* opened = ConnectedProject().modulData.GetPtr(name);
            opened != nullptr && *opened == record) {
            continue;
        }
        auto connection = std::make_shared<Model::ConnectionWithSpecification>(
            world.vantrel, world.manager->GetTesselPtr(), world.manager->GetPlanData());
        QB::ErrCode status = QB::NoError;
        try {
            status = Api::ModulDataWrapper::ReadObject(record, *connection);
        } catch (const Model::Error::VersionIncompatibility&) {
            status = QB::ErrorCorruptedData;
        }
        FUZZ_CHECK(status == QB::NoError, fmt::format("record {} no longer reads", name));
    }
}

// A call as the page makes it while a user works, for the reuse check.
std::string RealisticCall(std::string_view function, const std::string& documentRef) {
    const std::string clause =
        R"({\"ArdoTesselClauseId\":\"C-1\",\"ArdoTesselCode\":\"F10\",)"
        R"(\"ArdoTesselTitle\":\"Walls\",\"ArdoTesselPrefix\":\"A\",\"ArdoTesselSuffix\":\"B\"})";
    const std::string names = R"([\"ArdoTesselClauseId\",\"ArdoTesselCode\",\"ArdoTesselTitle\"])";
    if (function == "tvk_onlineStateChanged") {
        return R"("offline")";
    }
    if (function == "selectInstancesOfType") {
        return R"("C-1")";
    }
    if (function == "getAllTypesInDocument") {
        return fmt::format(R"(["{}","{}"])", documentRef, names);
    }
    if (function == "updateProperties") {
        return fmt::format(R"(["{}","","{{\"C-1\":{}}}"])", documentRef, clause);
    }
    if (function == "specOpened") {
        return R"(["P-1","S-1","Riverside Library","Architectural Specification"])";
    }
    if (function == "specAssociationRequested") {
        return R"(["P-1","S-2","Riverside Library","Structure","","Uniclass"])";
    }
    if (function == "removeSpecAssociationRequested") {
        return fmt::format(R"(["P-1","S-1","{}"])", documentRef);
    }
    if (function == "associationRequested" || function == "removeAssociationRequested") {
        return fmt::format(R"(["type","S-1","C-1","{}"])", clause);
    }
    return "null";
}

} // namespace

int CheckPageCall(std::string_view function, const std::uint8_t* data, std::size_t size) {
    FuzzWorld& world = FuzzWorld::Reused();
    PK::InProcessBrowserBackend& backend = world.Page();
    Model::Manager& manager = world.OpenFixed(ConnectedProject());
    CheckInputIs([&] {
        const std::string call = RealisticCall(function, manager.GetPlanData()->GetId().ToUtf8());
        return std::vector<std::uint8_t>(call.begin(), call.end());
    });
    // Attaching the page reads the host's selection: one read and one message to the page.
    world.host.SetSelection({Ids().walls[0], Ids().walls[1], Ids().column});
    manager.ResetTesselApi(world.Browser());

    const QB::UniString object(Implementation::TesselBrowser::IntegratorName);
    (void)backend.CallJSFunction(object, QB::UniString(std::string(function)), Argument(data, size));
    QB::MessageLoop::Instance().RunPending();

    const std::vector<std::string> refused = world.RefusedSinceOpen();
    FUZZ_CHECK(refused.empty(), fmt::format("the page refused: {}", refused.empty() ? "" : refused[0]));
    CheckRecordsReadBack(world);
    const PK::JSCallResult state = backend.CallJSFunction(object, "getAllState", PK::MakeDefaultValue());
    const auto* text = dynamic_cast<const PK::JSValue*>(state.value.get());
    FUZZ_CHECK(state.resolved && text != nullptr && text->GetType() == PK::JSValue::STRING,
               "the add-on no longer answers the page");
    rapidjson::Document answer;
    bool parsed = false;
    try {
        answer.Parse(text->GetString().ToUtf8().c_str());
        parsed = !answer.HasParseError();
    } catch (const Json::ParseException&) {
    }
    FUZZ_CHECK(parsed && answer.IsObject(), text->GetString().ToUtf8());

    world.Close();
    return 0;
}

} // namespace TesselConnect::Fuzz
