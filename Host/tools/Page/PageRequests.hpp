#pragma once

// What the web application sends with its page calls, built from its data file the way its page
// script builds it: the clause properties of a clause, the property names it asks types for, and
// JSON made into the values a page call carries.

#include "Page/WebAppData.hpp"

#include <PK/JSBase.hpp>

#include <optional>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

// The clause property names the web application lists types with, as a JSON array text.
std::string PropertyNamesJson();

// {"ArdoTesselProjectId": ..., ..., "ArdoTesselSuffix": ...} of the clause, as JSON text.
std::string ClausePropertiesJson(const WebAppSpecification& specification, const WebAppClause& clause);

// The specification or clause of the data file; StepFailure naming the ids it has otherwise.
const WebAppSpecification& RequireSpecification(const WebAppData& data, const std::string& id);
const WebAppClause& RequireClause(const WebAppSpecification& specification, const std::string& id);

// A clause with the edits a step makes (fields not given stay).
WebAppClause Edited(WebAppClause clause, const std::optional<std::string>& title,
                    const std::optional<std::string>& prefix, const std::optional<std::string>& suffix);

// The argument of a page call with these arguments, as the browser hands it over: nothing for
// none, the value for one, an array for several.
PK::JSBaseRef CallArgument(std::vector<PK::JSBaseRef> arguments);
PK::JSBaseRef CallArgument(const std::vector<std::string>& strings);
// A JSON array text of arguments as values; StepFailure when it is not one.
std::vector<PK::JSBaseRef> ArgumentsFromJson(const std::string& json);

// A text as a JavaScript string literal.
std::string JsString(const std::string& text);

} // namespace VantrelSim::Tool
