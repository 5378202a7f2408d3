#pragma once

// A TesselBrowser over the in-process browser, its preferences in a temporary store, a callback
// object that records what reached it, and the log captured. The browser is created by Open, so a
// test can store preferences first.

#include "Tessel/Api/TesselCallbackApi.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"

#include "Settings/Preferences.hpp"
#include "Support/LogCapture.hpp"
#include "Support/TempDir.hpp"

#include <PK/InProcessBrowserBackend.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSValue.hpp>

#include <QB/Pref.hpp>

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace TesselConnect::Test {

// Every call as "name(arg,arg,...)"; the structured arguments of the last call alongside.
class RecordingCallbacks : public Api::TesselCallbackApi {
public:
    Api::AllState getAllState() override {
        Record("getAllState", {});
        return allState;
    }
    void selectInstancesOfType(const QB::UniString& typeId) override {
        Record("selectInstancesOfType", {typeId});
    }
    QB::Array<Api::AssociableType> getAllTypesInDocument(const QB::UniString& documentRef,
                                                         const QB::Array<QB::UniString>& names) override {
        propertyNames = names;
        Record("getAllTypesInDocument", {documentRef});
        return types;
    }
    void updateProperties(const QB::UniString& documentRef, const QB::UniString& reserved,
                          const QB::HashTable<QB::UniString, Api::Properties>& table) override {
        typeProperties = table;
        Record("updateProperties", {documentRef, reserved});
    }
    void specOpened(const QB::UniString& a, const QB::UniString& b, const QB::UniString& c,
                    const QB::UniString& d) override {
        Record("specOpened", {a, b, c, d});
    }
    void specAssociationRequested(const QB::UniString& a, const QB::UniString& b, const QB::UniString& c,
                                  const QB::UniString& d, const QB::UniString& e,
                                  const QB::UniString& f) override {
        Record("specAssociationRequested", {a, b, c, d, e, f});
    }
    void removeSpecAssociationRequested(const QB::UniString& a, const QB::UniString& b,
                                        const QB::UniString& c) override {
        Record("removeSpecAssociationRequested", {a, b, c});
    }
    void associationRequested(const QB::UniString& a, const QB::UniString& b, const QB::UniString& c,
                              const Api::Properties& p) override {
        properties = p;
        Record("associationRequested", {a, b, c});
    }
    void removeAssociationRequested(const QB::UniString& a, const QB::UniString& b, const QB::UniString& c,
                                    const Api::Properties& p) override {
        properties = p;
        Record("removeAssociationRequested", {a, b, c});
    }
    void onlineStateChanged(bool online) override {
        Record("onlineStateChanged", {online ? "true" : "false"});
    }

    std::vector<std::string> calls;
    std::function<void()> onCall; // runs inside every call, after recording (may throw)
    Api::AllState allState;
    QB::Array<Api::AssociableType> types;
    QB::Array<QB::UniString> propertyNames;
    QB::HashTable<QB::UniString, Api::Properties> typeProperties;
    Api::Properties properties;

private:
    void Record(const char* name, std::vector<QB::UniString> arguments) {
        std::vector<std::string> texts;
        for (const auto& argument : arguments) {
            texts.push_back(argument.ToUtf8());
        }
        calls.push_back(fmt::format("{}({})", name, fmt::join(texts, ",")));
        if (onCall) {
            onCall();
        }
    }
};

// The in-process browser that can be told to refuse objects and scripts, as a broken engine would.
class RefusingBackend : public PK::InProcessBrowserBackend {
public:
    bool ExposeObject(const PK::JSObjectShape& shape) override {
        return !refuseObjects && PK::InProcessBrowserBackend::ExposeObject(shape);
    }
    bool ExecuteScript(const QB::UniString& script) override {
        return !refuseScripts && PK::InProcessBrowserBackend::ExecuteScript(script);
    }
    bool refuseObjects = false;
    bool refuseScripts = false;
};

class BridgeFixture : public ::testing::Test {
protected:
    static constexpr const char* Home = "https://app.tessel.example/";
    static constexpr const char* HomeOrigin = "https://app.tessel.example";

    BridgeFixture() { QBPref::SetDirectory(_prefs.Path()); }
    ~BridgeFixture() override {
        browser.reset();
        QBPref::ResetDirectory();
    }

    static void StorePreference(const PreferenceKey& key, const QB::UniString& value) {
        QBPref::GetRootKey(key.domain).SetString(PreferenceSection, key.name, value);
    }

    // A new browser, its first load still pending.
    void Create() {
        auto owned = std::make_unique<RefusingBackend>();
        backend = owned.get();
        browser = std::make_unique<Implementation::TesselBrowser>(std::move(owned));
    }

    void Attach() {
        browser->InitCallbacks();
        browser->SetCallbackApi(callbacks);
    }

    // A new browser with its home page loaded, the object registered and the callbacks attached.
    void Open() {
        Create();
        backend->FinishLoad();
        Attach();
    }

    template <typename... Items> static PK::JSBaseRef Args(Items... items) {
        auto array = std::make_shared<PK::JSArray>();
        (array->AddItem(Value(items)), ...);
        return array;
    }
    static PK::JSBaseRef Value(const char* text) { return PK::MakeStringValue(text); }
    static PK::JSBaseRef Value(int number) { return std::make_shared<PK::JSValue>(number); }
    static PK::JSBaseRef Value(PK::JSBaseRef value) { return value; }

    // A call of the registered object as the home page makes it (or as a frame of `origin`).
    PK::JSCallResult Call(const char* function, PK::JSBaseRef argument, const char* origin = HomeOrigin) {
        return backend->CallJSFunction(Implementation::TesselBrowser::IntegratorName, function,
                                       std::move(argument), QB::UniString(origin));
    }

    static std::string TextOf(const PK::JSBaseRef& value) {
        const auto* scalar = dynamic_cast<const PK::JSValue*>(value.get());
        return scalar != nullptr && scalar->GetType() == PK::JSValue::STRING ? scalar->GetString().ToUtf8()
                                                                             : "<not a string>";
    }
    static bool IsEmptyResult(const PK::JSCallResult& result) {
        const auto* scalar = dynamic_cast<const PK::JSValue*>(result.value.get());
        return result.resolved && scalar != nullptr && scalar->GetType() == PK::JSValue::DEFAULT;
    }

    TestSupport::TempDir _prefs{"bridge-prefs"};
    TestSupport::LogCapture log;
    std::shared_ptr<RecordingCallbacks> callbacks = std::make_shared<RecordingCallbacks>();
    RefusingBackend* backend = nullptr;
    std::unique_ptr<Implementation::TesselBrowser> browser;
};

} // namespace TesselConnect::Test
