#include "InProcessPage.hpp"

#include "InProcessScriptCache.hpp"

#include <PK/JSArray.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <duktape.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <string>

namespace PK::InProcess {

namespace {

constexpr std::size_t HeapLimitBytes = std::size_t{256} * 1024 * 1024;
constexpr int MaxValueDepth = 64;

// Duktape keeps strings as extended UTF-8 in which characters outside the BMP may appear as
// two encoded surrogates; this folds them back into valid UTF-8 (lone halves become U+FFFD).
QB::UniString FromDuktape(const char* bytes, duk_size_t length) {
    std::u16string units;
    units.reserve(length);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* end = p + length;
    while (p < end) {
        const unsigned char lead = *p;
        char32_t cp = 0xFFFD;
        int extra = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1Fu;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0Fu;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07u;
            extra = 3;
        }
        ++p;
        if (extra > 0) {
            if (end - p < extra) {
                cp = 0xFFFD;
                p = end;
            } else {
                for (int i = 0; i < extra; ++i, ++p) {
                    if ((*p & 0xC0) != 0x80) {
                        cp = 0xFFFD;
                        break;
                    }
                    cp = (cp << 6) | (*p & 0x3Fu);
                }
            }
        }
        if (cp > 0x10FFFF) {
            cp = 0xFFFD;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(cp));
        }
    }
    return QB::UniString::FromUtf16(units);
}

QB::UniString StringAt(duk_context* ctx, duk_idx_t index) {
    duk_size_t length = 0;
    const char* bytes = duk_get_lstring(ctx, index, &length);
    return bytes != nullptr ? FromDuktape(bytes, length) : QB::UniString();
}

JSBaseRef NumberValue(double number) {
    if (std::trunc(number) == number && std::abs(number) < 4294967296.0 && !std::signbit(number)) {
        if (number <= static_cast<double>(std::numeric_limits<QB::Int32>::max())) {
            return std::make_shared<JSValue>(static_cast<QB::Int32>(number));
        }
        return std::make_shared<JSValue>(static_cast<QB::UInt32>(number));
    }
    if (std::trunc(number) == number &&
        number >= static_cast<double>(std::numeric_limits<QB::Int32>::min())) {
        return std::make_shared<JSValue>(static_cast<QB::Int32>(number));
    }
    return std::make_shared<JSValue>(number);
}

// Reads plain data only (the prelude's snapshots), so no page code runs here.
JSBaseRef ToJSBase(duk_context* ctx, duk_idx_t index, int depth) {
    index = duk_normalize_index(ctx, index);
    switch (duk_get_type(ctx, index)) {
    case DUK_TYPE_BOOLEAN:
        return std::make_shared<JSValue>(duk_get_boolean(ctx, index) != 0);
    case DUK_TYPE_NUMBER:
        return NumberValue(duk_get_number(ctx, index));
    case DUK_TYPE_STRING:
        return std::make_shared<JSValue>(StringAt(ctx, index));
    case DUK_TYPE_OBJECT:
        break;
    default:
        return MakeDefaultValue();
    }
    if (depth >= MaxValueDepth || duk_is_function(ctx, index)) {
        return MakeDefaultValue();
    }
    if (duk_is_array(ctx, index)) {
        auto array = std::make_shared<JSArray>();
        const duk_size_t length = duk_get_length(ctx, index);
        for (duk_size_t i = 0; i < length; ++i) {
            duk_get_prop_index(ctx, index, static_cast<duk_uarridx_t>(i));
            array->AddItem(ToJSBase(ctx, -1, depth + 1));
            duk_pop(ctx);
        }
        return array;
    }
    auto object = std::make_shared<JSObject>();
    duk_enum(ctx, index, DUK_ENUM_OWN_PROPERTIES_ONLY);
    while (duk_next(ctx, -1, 1) != 0) {
        const QB::UniString name = StringAt(ctx, -2);
        object->AddItem(name, ToJSBase(ctx, -1, depth + 1));
        duk_pop_2(ctx);
    }
    duk_pop(ctx);
    return object;
}

// Characters outside the BMP go in as surrogate pairs, so that the page counts and indexes
// strings in UTF-16 units as a browser does.
void PushString(duk_context* ctx, const QB::UniString& text) {
    const std::string& utf8 = text.ToUtf8();
    if (std::none_of(utf8.begin(), utf8.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0xF0; })) {
        duk_push_lstring(ctx, utf8.data(), utf8.size());
        return;
    }
    std::string cesu;
    cesu.reserve(utf8.size() + 8);
    for (const char16_t unit : text.ToUtf16()) {
        if (unit < 0x80) {
            cesu += static_cast<char>(unit);
        } else if (unit < 0x800) {
            cesu += static_cast<char>(0xC0 | (unit >> 6));
            cesu += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            cesu += static_cast<char>(0xE0 | (unit >> 12));
            cesu += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            cesu += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    duk_push_lstring(ctx, cesu.data(), cesu.size());
}

void PushJSBase(duk_context* ctx, const JSBaseRef& value, int depth) {
    if (depth >= MaxValueDepth || value == nullptr) {
        duk_push_null(ctx);
    } else if (const auto* scalar = dynamic_cast<const JSValue*>(value.get())) {
        switch (scalar->GetType()) {
        case JSValue::DEFAULT:
            duk_push_null(ctx);
            break;
        case JSValue::BOOL:
            duk_push_boolean(ctx, scalar->GetBool() ? 1 : 0);
            break;
        case JSValue::INTEGER:
        case JSValue::UINTEGER:
        case JSValue::DOUBLE:
            duk_push_number(ctx, scalar->GetDouble());
            break;
        case JSValue::STRING:
            PushString(ctx, scalar->GetString());
            break;
        }
    } else if (const auto* array = dynamic_cast<const JSArray*>(value.get())) {
        const duk_idx_t target = duk_push_array(ctx);
        duk_uarridx_t position = 0;
        for (const JSBaseRef& item : array->GetItemArray()) {
            PushJSBase(ctx, item, depth + 1);
            duk_put_prop_index(ctx, target, position++);
        }
    } else if (const auto* object = dynamic_cast<const JSObject*>(value.get())) {
        const duk_idx_t target = duk_push_object(ctx);
        for (const auto& [name, item] : object->GetItemTable()) {
            if (dynamic_cast<const JSFunction*>(item.get()) == nullptr) {
                PushString(ctx, name);
                PushJSBase(ctx, item, depth + 1);
                duk_put_prop(ctx, target);
            }
        }
    } else {
        duk_push_null(ctx); // native functions do not travel as values
    }
}

// Page arguments as native functions receive them.
JSBaseRef ArgumentOf(JSBaseRef arguments) {
    auto array = std::dynamic_pointer_cast<JSArray>(arguments);
    if (array == nullptr || array->GetItemArray().IsEmpty()) {
        return MakeDefaultValue();
    }
    if (array->GetItemArray().GetSize() == 1) {
        return array->GetItemArray()[0];
    }
    return arguments;
}

// This engine follows ES5, where U+2028 and U+2029 end a line even inside a string literal;
// browsers follow ES2019, where they are ordinary characters there. Escaping them inside
// literals (and making them plain line breaks elsewhere) lets the engine accept exactly
// what a browser accepts. Regular expression literals are not told apart from division,
// which only matters for a script holding both a quote inside a regex and one of these
// characters.
std::string ToEngineSource(const std::string& source) {
    if (source.find("\xE2\x80\xA8") == std::string::npos &&
        source.find("\xE2\x80\xA9") == std::string::npos) {
        return source;
    }
    enum class State { Code, Single, Double, LineComment, BlockComment };
    State state = State::Code;
    std::string out;
    out.reserve(source.size() + 16);
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        const bool separator = c == '\xE2' && i + 2 < source.size() && source[i + 1] == '\x80' &&
                               (source[i + 2] == '\xA8' || source[i + 2] == '\xA9');
        if (separator) {
            if (state == State::Single || state == State::Double) {
                out += source[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            } else {
                out += '\n';
                if (state == State::LineComment) {
                    state = State::Code;
                }
            }
            i += 2;
            continue;
        }
        out += c;
        switch (state) {
        case State::Code:
            if (c == '\'') {
                state = State::Single;
            } else if (c == '"') {
                state = State::Double;
            } else if (c == '/' && i + 1 < source.size() && (source[i + 1] == '/' || source[i + 1] == '*')) {
                state = source[i + 1] == '/' ? State::LineComment : State::BlockComment;
                out += source[++i];
            }
            break;
        case State::Single:
        case State::Double:
            if (c == '\\' && i + 1 < source.size()) {
                out += source[++i];
            } else if ((c == '\'' && state == State::Single) || (c == '"' && state == State::Double) ||
                       c == '\n' || c == '\r') {
                state = State::Code;
            }
            break;
        case State::LineComment:
            if (c == '\n' || c == '\r') {
                state = State::Code;
            }
            break;
        case State::BlockComment:
            if (c == '*' && i + 1 < source.size() && source[i + 1] == '/') {
                out += source[++i];
                state = State::Code;
            }
            break;
        }
    }
    return out;
}

JSDialog::Kind DialogKindOf(const QB::UniString& name) {
    if (name == "confirm") {
        return JSDialog::Kind::Confirm;
    }
    if (name == "prompt") {
        return JSDialog::Kind::Prompt;
    }
    return JSDialog::Kind::Alert;
}

[[noreturn]] void OnFatal(void*, const char*) {
    // Every entry point is a protected call, so this means the engine itself is broken.
    std::abort();
}

} // namespace

// Native hooks called by page code. Each one does its C++ work in an inner scope inside
// the guard's critical section, so that when the budget ran out meanwhile the jump out of
// the run happens only after every C++ object of the hook is gone.
struct Page::Native {
    static Page& Of(duk_context* ctx) {
        duk_push_heap_stash(ctx);
        duk_get_prop_string(ctx, -1, "page");
        auto* page = static_cast<Page*>(duk_get_pointer(ctx, -1));
        duk_pop_2(ctx);
        return *page;
    }

    template <typename Work> static duk_ret_t Hook(duk_context* ctx, Work work) {
        Page& page = Of(ctx);
        page._guard.EnterCritical();
        bool failed = false;
        try {
            work(page);
        } catch (...) {
            failed = true;
        }
        if (failed) {
            duk_push_undefined(ctx);
        }
        page._guard.LeaveCritical();
        return 1;
    }

    static duk_ret_t Call(duk_context* ctx) {
        return Hook(ctx, [ctx](Page& page) {
            const JSCallResult result =
                page._host.PageCall(StringAt(ctx, 0), StringAt(ctx, 1), ArgumentOf(ToJSBase(ctx, 2, 0)));
            const duk_idx_t reply = duk_push_object(ctx);
            duk_push_boolean(ctx, result.resolved ? 1 : 0);
            duk_put_prop_string(ctx, reply, "ok");
            if (result.resolved) {
                PushJSBase(ctx, result.value, 0);
            } else {
                PushString(ctx, result.error);
            }
            duk_put_prop_string(ctx, reply, "value");
        });
    }

    static duk_ret_t Dialog(duk_context* ctx) {
        return Hook(ctx, [ctx](Page& page) {
            const JSDialog dialog{DialogKindOf(StringAt(ctx, 0)), StringAt(ctx, 1), StringAt(ctx, 2),
                                  page.GetOrigin()};
            const JSDialogAnswer answer = page._host.PageDialog(dialog);
            const duk_idx_t reply = duk_push_object(ctx);
            duk_push_boolean(ctx, answer.accepted ? 1 : 0);
            duk_put_prop_string(ctx, reply, "accepted");
            PushString(ctx, answer.promptText);
            duk_put_prop_string(ctx, reply, "text");
        });
    }

    static duk_ret_t Console(duk_context* ctx) {
        return Hook(ctx, [ctx](Page& page) {
            page._host.PageConsole(StringAt(ctx, 0), StringAt(ctx, 1));
            duk_push_undefined(ctx);
        });
    }

    static duk_ret_t Navigate(duk_context* ctx) {
        return Hook(ctx, [ctx](Page& page) {
            page._host.PageNavigate(StringAt(ctx, 0));
            duk_push_undefined(ctx);
        });
    }

    static duk_ret_t Record(duk_context* ctx) {
        return Hook(ctx, [ctx](Page& page) {
            const QB::UniString json = duk_is_string(ctx, 3) ? StringAt(ctx, 3) : QB::UniString();
            page._host.PageRecordedCall(StringAt(ctx, 0), StringAt(ctx, 1), ToJSBase(ctx, 2, 0), json);
            duk_push_undefined(ctx);
        });
    }
};

namespace {

struct ScriptRun {
    duk_context* ctx;
    const char* source;
    duk_size_t length;
    const std::string* bytecode; // the script compiled before, if the cache has it
    duk_int_t status;            // DUK_EXEC_SUCCESS or DUK_EXEC_ERROR of the failing step
};

// Leaves one value on the stack: the compiled script, or the syntax error's text.
void CompileScriptBody(void* data) {
    auto& run = *static_cast<ScriptRun*>(data);
    duk_context* ctx = run.ctx;
    if (run.bytecode != nullptr) {
        void* buffer = duk_push_fixed_buffer(ctx, run.bytecode->size());
        std::memcpy(buffer, run.bytecode->data(), run.bytecode->size());
        duk_load_function(ctx);
        run.status = DUK_EXEC_SUCCESS;
        return;
    }
    duk_push_string(ctx, "page");
    run.status = duk_compile_raw(ctx, run.source, run.length,
                                 1 | DUK_COMPILE_EVAL | DUK_COMPILE_SAFE | DUK_COMPILE_NOSOURCE);
    if (run.status != DUK_EXEC_SUCCESS) {
        duk_safe_to_string(ctx, -1);
    }
}

// Pushes the bytecode of the compiled script on the stack's top.
void DumpScriptBody(void* data) {
    duk_context* ctx = static_cast<ScriptRun*>(data)->ctx;
    duk_dup(ctx, -1);
    duk_dump_function(ctx);
}

// Replaces the compiled script on the stack by the snapshot of its completion value, or by the
// error's text.
void CallScriptBody(void* data) {
    auto& run = *static_cast<ScriptRun*>(data);
    duk_context* ctx = run.ctx;
    run.status = duk_pcall(ctx, 0);
    if (run.status != DUK_EXEC_SUCCESS) {
        duk_safe_to_string(ctx, -1);
        return;
    }
    duk_get_global_string(ctx, "__pkPage");
    duk_push_string(ctx, "snapshot");
    duk_dup(ctx, -3);
    if (duk_pcall_prop(ctx, -3, 1) != DUK_EXEC_SUCCESS) {
        duk_pop(ctx);
        duk_push_null(ctx);
    }
    duk_remove(ctx, -2); // __pkPage
    duk_remove(ctx, -2); // the raw completion value
}

struct PageFunctionCall {
    duk_context* ctx;
    const char* function;
    duk_idx_t (*push)(duk_context*, const void*);
    const void* data;
    duk_int_t status;
};

void PageFunctionBody(void* data) {
    auto& call = *static_cast<PageFunctionCall*>(data);
    duk_context* ctx = call.ctx;
    duk_get_global_string(ctx, "__pkPage");
    duk_push_string(ctx, call.function);
    const duk_idx_t count = call.push(ctx, call.data);
    call.status = duk_pcall_prop(ctx, -2 - count, count);
    if (call.status != DUK_EXEC_SUCCESS) {
        duk_safe_to_string(ctx, -1);
    }
    duk_remove(ctx, -2);
}

} // namespace

Page::Page(PageHost& host, const QB::UniString& url, std::chrono::milliseconds budget)
    : _host(host), _url(url), _guard(budget), _arena(_guard, HeapLimitBytes) {
    _context =
        duk_create_heap(TrackedArena::Alloc, TrackedArena::Realloc, TrackedArena::Free, &_arena, OnFatal);
    if (_context == nullptr) {
        _discarded = true;
        return;
    }
    duk_push_heap_stash(_context);
    duk_push_pointer(_context, this);
    duk_put_prop_string(_context, -2, "page");
    duk_pop(_context);

    static const duk_function_list_entry hooks[] = {
        {"call", Native::Call, 3},         {"dialog", Native::Dialog, 3}, {"console", Native::Console, 2},
        {"navigate", Native::Navigate, 1}, {"record", Native::Record, 4}, {nullptr, nullptr, 0}};
    duk_push_global_object(_context);
    duk_push_string(_context, "__pk");
    duk_push_object(_context);
    duk_put_function_list(_context, -1, hooks);
    duk_def_prop(_context, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_CLEAR_WEC);
    duk_pop(_context);

    const RunResult prelude = Run(PagePrelude);
    if (prelude.status != RunResult::Status::Completed) {
        _discarded = true;
        return;
    }
    struct Url {
        static duk_idx_t Push(duk_context* ctx, const void* data) {
            const auto& url = *static_cast<const QB::UniString*>(data);
            PushString(ctx, url);
            PushString(ctx, OriginOfURL(url));
            return 2;
        }
    };
    CallPageFunction("setURL", Url::Push, &_url);
}

Page::~Page() {
    // A heap abandoned by a stopped run is in an unknown state: the arena frees it blindly.
    if (_context != nullptr && !_discarded) {
        duk_destroy_heap(_context);
    }
}

RunResult Page::Guarded(void (*body)(void*), void* data) {
    if (_discarded) {
        return RunResult{RunResult::Status::Refused, nullptr, "the page was discarded"};
    }
    if (_guard.Run(body, data) == ScriptGuard::Outcome::Stopped) {
        _discarded = true;
        return RunResult{RunResult::Status::Stopped, nullptr,
                         "script stopped: it ran longer than its time budget"};
    }
    return RunResult{RunResult::Status::Completed, nullptr, {}};
}

bool Page::Compiles(const QB::UniString& script, QB::UniString* error) {
    const RunResult result = Compile(ToEngineSource(script.ToUtf8()));
    if (result.status != RunResult::Status::Completed) {
        if (error != nullptr) {
            *error = result.error;
        }
        return false;
    }
    duk_pop(_context);
    return true;
}

RunResult Page::Compile(const std::string& source) {
    // The cache only saves time: when it cannot take a script (no memory), the script is compiled.
    ScriptCache::Lookup cached;
    try {
        cached = ScriptCache::Shared().Find(source);
    } catch (const std::exception&) {
    }
    ScriptRun run{_context, source.c_str(), source.size(), cached.bytecode.get(), DUK_EXEC_ERROR};
    RunResult result = Guarded(CompileScriptBody, &run);
    if (result.status != RunResult::Status::Completed) {
        return result;
    }
    if (run.status != DUK_EXEC_SUCCESS) {
        result.status = RunResult::Status::Refused;
        result.error = StringAt(_context, -1);
        duk_pop(_context);
        return result;
    }
    if (cached.bytecode == nullptr && cached.seenBefore) {
        result = Guarded(DumpScriptBody, &run);
        if (result.status != RunResult::Status::Completed) {
            return result;
        }
        duk_size_t size = 0;
        const auto* bytes = static_cast<const char*>(duk_get_buffer(_context, -1, &size));
        try {
            ScriptCache::Shared().Store(
                source, std::string(bytes != nullptr ? bytes : "", bytes != nullptr ? size : 0));
        } catch (const std::exception&) {
        }
        duk_pop(_context); // the bytecode; the compiled script stays
    }
    return result;
}

RunResult Page::Run(const QB::UniString& script, const std::function<void()>& compiled) {
    const std::string source = ToEngineSource(script.ToUtf8());
    RunResult result = Compile(source);
    if (result.status != RunResult::Status::Completed) {
        return result;
    }
    // Outside the guard: the caller's bookkeeping must not be cut short by the budget. The compiled
    // script waits on the stack meanwhile.
    if (compiled) {
        try {
            compiled();
        } catch (...) {
            duk_pop(_context);
            throw;
        }
    }
    ScriptRun run{_context, nullptr, 0, nullptr, DUK_EXEC_ERROR};
    result = Guarded(CallScriptBody, &run);
    if (result.status != RunResult::Status::Completed) {
        return result;
    }
    if (run.status == DUK_EXEC_SUCCESS) {
        result.value = ToJSBase(_context, -1, 0);
    } else {
        result.status = RunResult::Status::Threw;
        result.error = StringAt(_context, -1);
    }
    duk_pop(_context);
    return result;
}

RunResult Page::CallPageFunction(const char* function, duk_idx_t (*push)(duk_context*, const void*),
                                 const void* data) {
    PageFunctionCall call{_context, function, push, data, DUK_EXEC_ERROR};
    RunResult result = Guarded(PageFunctionBody, &call);
    if (result.status != RunResult::Status::Completed) {
        return result;
    }
    if (call.status != DUK_EXEC_SUCCESS) {
        result.status = RunResult::Status::Threw;
        result.error = StringAt(_context, -1);
    }
    duk_pop(_context);
    return result;
}

void Page::Expose(const JSObjectShape& shape) {
    struct Shape {
        static duk_idx_t Push(duk_context* ctx, const void* data) {
            const auto& object = *static_cast<const JSObjectShape*>(data);
            PushString(ctx, object.name);
            const duk_idx_t names = duk_push_array(ctx);
            duk_uarridx_t position = 0;
            for (const QB::UniString& name : object.functionNames) {
                PushString(ctx, name);
                duk_put_prop_index(ctx, names, position++);
            }
            return 2;
        }
    };
    CallPageFunction("expose", Shape::Push, &shape);
}

void Page::RecordCallsOn(const QB::UniString& objectName) {
    struct Name {
        static duk_idx_t Push(duk_context* ctx, const void* data) {
            PushString(ctx, *static_cast<const QB::UniString*>(data));
            return 1;
        }
    };
    CallPageFunction("record", Name::Push, &objectName);
}

void Page::SetOnline(bool online) {
    struct Flag {
        static duk_idx_t Push(duk_context* ctx, const void* data) {
            duk_push_boolean(ctx, *static_cast<const bool*>(data) ? 1 : 0);
            return 1;
        }
    };
    CallPageFunction("setOnline", Flag::Push, &online);
}

void Page::AdvanceTime(std::chrono::milliseconds elapsed) {
    const double ms = static_cast<double>(elapsed.count());
    struct Milliseconds {
        static duk_idx_t Push(duk_context* ctx, const void* data) {
            duk_push_number(ctx, *static_cast<const double*>(data));
            return 1;
        }
    };
    CallPageFunction("advance", Milliseconds::Push, &ms);
}

} // namespace PK::InProcess
