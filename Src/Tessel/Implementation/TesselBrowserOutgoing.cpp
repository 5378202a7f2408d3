#include "Tessel/Implementation/TesselBrowser.hpp"

#include "Tessel/Api/JsonForm.hpp"
#include "Tessel/Implementation/JsLiteral.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"

#include <PK/BrowserBackend.hpp>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <initializer_list>
#include <string>
#include <vector>

// Every argument is a JSON value or a literal from QuoteJs, dropped into a fixed template: a value
// from the project (a title, an id) can never end its argument early or run as script.
namespace TesselConnect::Implementation {

namespace {

// The operations report failures in the log only; their callers go on.
template <typename Operation> void Guarded(Operation&& operation) {
    try {
        operation();
    }
    LOG_CATCH_ALL
}

std::string JsArguments(std::initializer_list<std::string> arguments) {
    return fmt::format("{}", fmt::join(arguments, ","));
}

} // namespace

void TesselBrowser::CallPage(std::string_view function, const std::string& arguments) {
    // The calls carry the project's data (its name, plan id, selections, clause texts): a page of
    // another site the user went on to must not receive them, whatever it defines.
    if (const QB::UniString origin = PK::OriginOfURL(GetURL()); !IsHomeOrigin(origin)) {
        LOG_DEBUG("not sent to a page of another origin({}): {}", origin, function);
        return;
    }
    // The check above reads the address the browser last reported; the page may be moving to
    // another site before the browser runs the script, so the script checks again where it runs.
    const std::string expr =
        fmt::format("location.origin === {} && window.ardoTesselState && window.ardoTesselState.{}({})",
                    QuoteJs(_homeOrigin), function, arguments);
    LOG_DEBUG("ExecuteJS: {}", expr);
    if (!ExecuteJS(QB::UniString(expr))) {
        LOG_ERROR("failed assertion: this->ExecuteJS(expr)");
    }
}

void TesselBrowser::SetAppState(const Api::AppState& state) {
    Guarded([&] { CallPage("setAppState", JsonAsJs(Api::ToJson(state))); });
}

void TesselBrowser::SetDocumentState(const Api::DocumentState& state) {
    Guarded([&] { CallPage("setDocumentState", JsonAsJs(Api::ToJson(state))); });
}

void TesselBrowser::SetSelectionState(const Api::SelectionState& state) {
    Guarded([&] { CallPage("setSelectionState", JsonAsJs(Api::ToJson(state))); });
}

void TesselBrowser::AssociateSpec(const QB::UniString& specificationId, const QB::UniString& documentRef,
                                  const QB::UniString& documentName) {
    Guarded([&] {
        CallPage("associateSpec",
                 JsArguments({QuoteJs(specificationId), QuoteJs(documentRef), QuoteJs(documentName)}));
    });
}

void TesselBrowser::RemoveSpecAssociation(const QB::UniString& specificationId,
                                          const QB::UniString& documentRef) {
    Guarded([&] {
        CallPage("removeSpecAssociation", JsArguments({QuoteJs(specificationId), QuoteJs(documentRef)}));
    });
}

void TesselBrowser::Associate(const Api::AssociableType& type, const QB::UniString& clauseId) {
    Guarded([&] { CallPage("associate", JsArguments({JsonAsJs(Api::ToJson(type)), QuoteJs(clauseId)})); });
}

void TesselBrowser::RemoveAssociation(const QB::UniString& typeId, const QB::UniString& clauseId) {
    Guarded([&] { CallPage("removeAssociation", JsArguments({QuoteJs(typeId), QuoteJs(clauseId)})); });
}

void TesselBrowser::SendAssociationFeedback(bool success, const QB::UniString& message) {
    Guarded([&] {
        CallPage("sendAssociationFeedback", JsArguments({success ? "true" : "false", QuoteJs(message)}));
    });
}

void TesselBrowser::RequestClauseData(const QB::UniString& specificationId, const QB::UniString& documentRef,
                                      const QB::Array<QB::UniString>& clauseIds) {
    Guarded([&] {
        std::string clauses = "null";
        if (!clauseIds.IsEmpty()) {
            std::vector<std::string> quoted;
            quoted.reserve(clauseIds.GetSize());
            for (const QB::UniString& clauseId : clauseIds) {
                quoted.push_back(QuoteJs(clauseId));
            }
            clauses = fmt::format("[{}]", fmt::join(quoted, ","));
        }
        CallPage("requestClauseData", JsArguments({QuoteJs(specificationId), QuoteJs(documentRef), clauses}));
    });
}

} // namespace TesselConnect::Implementation
