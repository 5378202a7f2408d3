#pragma once

// One loaded page of the in-process browser: a Duktape heap with the window prelude.
//
// Owned by the in-process backend, which replaces it on every finished load. All entry
// points run page code under the ScriptGuard; a run that is stopped leaves the page
// discarded (IsDiscarded), after which it refuses everything. Main thread only.

#include "InProcessScriptGuard.hpp"

#include <PK/BrowserBackend.hpp>
#include <PK/JSBase.hpp>

#include <QB/UniString.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

struct duk_hthread;

namespace PK::InProcess {

extern const char* const PagePrelude;

// What the page asks of its browser; implemented by the backend.
class PageHost {
public:
    virtual JSCallResult PageCall(const QB::UniString& object, const QB::UniString& function,
                                  JSBaseRef argument) = 0;
    virtual JSDialogAnswer PageDialog(const JSDialog& dialog) = 0;
    virtual void PageConsole(const QB::UniString& level, const QB::UniString& text) = 0;
    virtual void PageNavigate(const QB::UniString& url) = 0;
    virtual void PageRecordedCall(const QB::UniString& object, const QB::UniString& function,
                                  JSBaseRef arguments, const QB::UniString& argumentsJSON) = 0;

protected:
    ~PageHost() = default;
};

struct RunResult {
    enum class Status { Completed, Threw, Refused, Stopped };
    Status status = Status::Refused;
    JSBaseRef value;     // Completed: the script's completion value as plain data
    QB::UniString error; // Threw / Refused: the error's text
};

class Page {
public:
    Page(PageHost& host, const QB::UniString& url, std::chrono::milliseconds budget);
    ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    const QB::UniString& GetURL() const noexcept { return _url; }
    QB::UniString GetOrigin() const { return OriginOfURL(_url); }
    bool IsDiscarded() const noexcept { return _discarded; }
    bool IsRunning() const noexcept { return _guard.IsRunning(); }

    // Parses without running; false with the syntax error's text when it does not parse.
    bool Compiles(const QB::UniString& script, QB::UniString* error);
    // Compiles and runs `script`; `compiled`, if given, is called once the script parsed and before it
    // runs (a script that does not parse is Refused with the syntax error's text).
    RunResult Run(const QB::UniString& script, const std::function<void()>& compiled = {});
    void Expose(const JSObjectShape& shape);
    void RecordCallsOn(const QB::UniString& objectName);
    void SetOnline(bool online);
    void AdvanceTime(std::chrono::milliseconds elapsed);

private:
    struct Native;
    // Calls __pkPage.<function>(arguments pushed by `push`) under the guard.
    // Leaves the compiled script on the stack when Completed; a script that does not parse is Refused.
    RunResult Compile(const std::string& source);
    RunResult CallPageFunction(const char* function, int (*push)(duk_hthread*, const void*),
                               const void* data);
    RunResult Guarded(void (*body)(void*), void* data);

    PageHost& _host;
    QB::UniString _url;
    ScriptGuard _guard;
    TrackedArena _arena;
    duk_hthread* _context = nullptr;
    bool _discarded = false;
};

} // namespace PK::InProcess
