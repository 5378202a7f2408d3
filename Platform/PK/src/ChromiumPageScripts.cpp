#include "ChromiumPageScripts.hpp"

#include "ChromiumJson.hpp"

#include <fmt/format.h>

#include <cmath>
#include <string_view>

namespace PK::Chromium {

const char* const BindingName = "__pkNativeCall";

namespace {

// The page's own globals (JSON, Promise, timers) are taken before any page script can
// replace them; the bridge's entry points are read-only properties of the window.
constexpr const char* BridgeTemplate = R"JS((function () {
    'use strict';
    if (Object.prototype.hasOwnProperty.call(window, '__pkSettle')) return;
    var bindingName = @BINDING@;
    var stringify = JSON.stringify;
    var PromiseType = Promise;
    var startTimer = setTimeout;
    var stopTimer = clearTimeout;
    var slice = Array.prototype.slice;
    var freeze = Object.freeze;
    var defineProperty = Object.defineProperty;
    var pending = new Map();
    var nextId = 1;

    function settle(id, resolved, value) {
        var call = pending.get(id);
        if (call === undefined) return false;
        pending.delete(id);
        stopTimer(call.timer);
        if (resolved) call.resolve(value); else call.reject(new Error(String(value)));
        return true;
    }

    function callNative(objectName, functionName, args) {
        return new PromiseType(function (resolve, reject) {
            var id = nextId++;
            var payload;
            try {
                payload = stringify({ id: id, object: objectName, 'function': functionName, 'arguments': args });
            } catch (error) {
                reject(error);
                return;
            }
            // In child frames the binding appears after this script has run: look it up per call.
            var binding = window[bindingName];
            if (typeof binding !== 'function') {
                reject(new Error('the native side is not reachable'));
                return;
            }
            var timer = startTimer(function () {
                if (pending.delete(id)) reject(new Error('no reply from the native function'));
            }, @TIMEOUT@);
            pending.set(id, { resolve: resolve, reject: reject, timer: timer });
            try {
                binding(payload);
            } catch (error) {
                pending.delete(id);
                stopTimer(timer);
                reject(error);
            }
        });
    }

    function expose(objectName, functionNames) {
        var object = {};
        functionNames.forEach(function (functionName) {
            object[functionName] = function () {
                return callNative(objectName, functionName, slice.call(arguments));
            };
        });
        try {
            defineProperty(window, objectName, { value: freeze(object), enumerable: true });
        } catch (error) {
            // The document already has it (a script that runs both now and on new documents).
        }
    }

    defineProperty(window, '__pkSettle', { value: settle });
    defineProperty(window, '__pkExpose', { value: expose });
})();
)JS";

void ReplaceFirst(std::string& text, std::string_view placeholder, const std::string& value) {
    if (const std::size_t at = text.find(placeholder); at != std::string::npos) {
        text.replace(at, placeholder.size(), value);
    }
}

} // namespace

std::string BridgeScript(std::chrono::milliseconds pendingCallTimeout) {
    std::string script = BridgeTemplate;
    ReplaceFirst(script, "@BINDING@", QuoteJson(BindingName));
    ReplaceFirst(script, "@TIMEOUT@", std::to_string(pendingCallTimeout.count()));
    return script;
}

std::string ExposeScript(const JSObjectShape& shape) {
    std::string names = "[";
    for (const QB::UniString& name : shape.functionNames) {
        if (names.size() > 1) {
            names += ",";
        }
        names += QuoteJson(name.ToUtf8());
    }
    names += "]";
    return "window.__pkExpose && window.__pkExpose(" + QuoteJson(shape.name.ToUtf8()) + "," + names + ");";
}

std::string SettleExpression(double callId, bool resolved, const std::string& valueJson) {
    // Call ids are the page's own small integers; anything else cannot match a pending call.
    const std::string id = std::isfinite(callId) ? fmt::format("{}", callId) : std::string("-1");
    return "window.__pkSettle && window.__pkSettle(" + id + "," + (resolved ? "true" : "false") + "," +
           valueJson + ");";
}

} // namespace PK::Chromium
