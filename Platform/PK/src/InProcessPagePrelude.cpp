#include "InProcessPage.hpp"

namespace PK::InProcess {

// The little of a browser window that page scripts of the add-on rely on: window, events,
// timers on a virtual clock, navigator.onLine, console, dialogs, location and an empty
// document. `__pk` holds the native hooks; `__pkPage` the page's own driving functions.
// Everything that crosses to native code goes through snapshot() first, so native code
// only ever reads plain data and no page code (getters, proxies) runs inside it.
const char* const PagePrelude = R"JS(
(function (global, native) {
    'use strict';
    function define(name, value) {
        Object.defineProperty(global, name, { value: value, writable: false, enumerable: false, configurable: false });
    }
    function snapshot(value, depth, seen) {
        if (value === null || value === undefined) return null;
        var type = typeof value;
        if (type === 'boolean' || type === 'number' || type === 'string') return value;
        if (type !== 'object' || depth > 32 || seen.indexOf(value) >= 0) return null;
        seen.push(value);
        var copy;
        if (Array.isArray(value)) {
            copy = [];
            for (var i = 0; i < value.length; i++) copy.push(snapshot(value[i], depth + 1, seen));
        } else {
            copy = {};
            var keys = Object.keys(value);
            for (var k = 0; k < keys.length; k++) {
                var item = value[keys[k]];
                if (typeof item !== 'function') copy[keys[k]] = snapshot(item, depth + 1, seen);
            }
        }
        seen.pop();
        return copy;
    }
    function settled(ok, value) {
        // Resolved before the call returns: the in-process page answers synchronously.
        return {
            then: function (onResolved, onRejected) {
                var next = ok ? onResolved : onRejected;
                if (typeof next !== 'function') return settled(ok, value);
                try { return settled(true, next(value)); } catch (e) { return settled(false, e); }
            },
            'catch': function (onRejected) { return this.then(undefined, onRejected); }
        };
    }
    function text(args) {
        var parts = [];
        for (var i = 0; i < args.length; i++) parts.push(String(args[i]));
        return parts.join(' ');
    }

    global.window = global;
    global.self = global;
    var listeners = {};
    global.addEventListener = function (type, listener) {
        var list = listeners[type] || (listeners[type] = []);
        if (typeof listener === 'function' && list.indexOf(listener) < 0) list.push(listener);
    };
    global.removeEventListener = function (type, listener) {
        var list = listeners[type] || [];
        var index = list.indexOf(listener);
        if (index >= 0) list.splice(index, 1);
    };

    var timers = [];
    var nextTimerId = 1;
    var now = 0;
    global.setTimeout = function (callback, delay) {
        var id = nextTimerId++;
        var args = Array.prototype.slice.call(arguments, 2);
        timers.push({ id: id, due: now + Math.max(0, Number(delay) || 0), callback: callback, args: args });
        return id;
    };
    global.clearTimeout = function (id) {
        for (var i = 0; i < timers.length; i++) {
            if (timers[i].id === id) { timers.splice(i, 1); return; }
        }
    };

    var online = true;
    global.navigator = {};
    Object.defineProperty(global.navigator, 'onLine', { get: function () { return online; }, enumerable: true });

    var href = '';
    var origin = 'null';
    global.location = {
        replace: function (url) { native.navigate(String(url)); },
        assign: function (url) { native.navigate(String(url)); },
        reload: function () { native.navigate(href); },
        toString: function () { return href; }
    };
    Object.defineProperty(global.location, 'href', {
        get: function () { return href; }, set: function (url) { native.navigate(String(url)); }, enumerable: true
    });
    Object.defineProperty(global.location, 'origin', { get: function () { return origin; }, enumerable: true });

    global.document = {
        getElementById: function () { return null; },
        getElementsByClassName: function () { return []; },
        querySelector: function () { return null; },
        querySelectorAll: function () { return []; }
    };

    global.console = {
        log: function () { native.console('log', text(arguments)); },
        info: function () { native.console('info', text(arguments)); },
        warn: function () { native.console('warn', text(arguments)); },
        error: function () { native.console('error', text(arguments)); }
    };
    global.alert = function (message) { native.dialog('alert', message === undefined ? '' : String(message), ''); };
    global.confirm = function (message) {
        return native.dialog('confirm', message === undefined ? '' : String(message), '').accepted;
    };
    global.prompt = function (message, defaultText) {
        var answer = native.dialog('prompt', message === undefined ? '' : String(message),
                                   defaultText === undefined ? '' : String(defaultText));
        return answer.accepted ? answer.text : null;
    };

    function report(error) {
        native.console('error', 'Uncaught ' + String(error && error.stack ? error.stack : error));
    }

    define('__pkPage', {
        setURL: function (url, pageOrigin) { href = url; origin = pageOrigin; },
        snapshot: function (value) { return snapshot(value, 0, []); },
        expose: function (name, functionNames) {
            var object = {};
            functionNames.forEach(function (functionName) {
                object[functionName] = function () {
                    var args = snapshot(Array.prototype.slice.call(arguments), 0, []);
                    var reply = native.call(name, functionName, args);
                    return settled(reply.ok, reply.value);
                };
            });
            global[name] = object;
        },
        record: function (name) {
            global[name] = new Proxy({}, {
                get: function (target, key) {
                    if (typeof key !== 'string') return undefined;
                    return function () {
                        var args = Array.prototype.slice.call(arguments);
                        var json = null;
                        try { json = JSON.stringify(args); } catch (e) { json = null; }
                        native.record(name, key, snapshot(args, 0, []), json === undefined ? null : json);
                    };
                }
            });
        },
        setOnline: function (value) {
            value = !!value;
            if (value === online) return;
            online = value;
            var list = (listeners[online ? 'online' : 'offline'] || []).slice();
            for (var i = 0; i < list.length; i++) {
                try { list[i].call(global, { type: online ? 'online' : 'offline' }); } catch (e) { report(e); }
            }
        },
        advance: function (ms) {
            var end = now + ms;
            for (;;) {
                var next = -1;
                for (var i = 0; i < timers.length; i++) {
                    if (timers[i].due <= end && (next < 0 || timers[i].due < timers[next].due)) next = i;
                }
                if (next < 0) break;
                var timer = timers.splice(next, 1)[0];
                now = timer.due;
                try {
                    if (typeof timer.callback === 'function') timer.callback.apply(global, timer.args);
                    else (0, eval)(String(timer.callback));
                } catch (e) { report(e); }
            }
            now = end;
        },
        report: report
    });
})(this, __pk);
)JS";

} // namespace PK::InProcess
