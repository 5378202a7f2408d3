#pragma once

// The calls of a recording (CallRecording.hpp) and the recorder the table's trampolines feed.
//
// An argument is kept as a copy of what it pointed at (a null pointer stays null); a function
// pointer as itself. A selector request's opaque parameters are kept by the types its request
// code gives them (SelectorParameters); a command's body and user data are not kept: a replay
// runs the calls recorded inside the command instead.

#include <VantrelSim/CallRecording.hpp>

#include <VNAPI/VNAPI.h>

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace VantrelSim::Detail {

// A call's answer as a number, for the functions that answer a code or a value of an integral
// or enumeration type; the others (a guid) are not compared.
using Answer = std::optional<std::int64_t>;

template <typename R> Answer AnswerOf(const R& answer) {
    if constexpr (std::is_integral_v<R> || std::is_enum_v<R>) {
        return static_cast<std::int64_t>(answer);
    } else {
        return std::nullopt;
    }
}

class PreparedCall {
public:
    // `answersCode`: the answer is a host error code (told by its name).
    PreparedCall(HostFunction function, Answer recorded, bool answersCode)
        : _function(function), _recorded(recorded), _answersCode(answersCode) {}
    virtual ~PreparedCall() = default;
    // Makes the call (and those nested in it), counting them and any answer that differs.
    virtual void Run(const VNAPI_FunctionTable& table, VNAPI_Token token, ReplayResult& result) = 0;

protected:
    // Compares the answer of the `call`-th call of the replay with the recorded one.
    void Tally(std::size_t call, Answer replayed, ReplayResult& result) const;

private:
    HostFunction _function;
    Answer _recorded;
    bool _answersCode;
};

class RecordedCall {
public:
    explicit RecordedCall(HostFunction function) : _function(function) {}
    virtual ~RecordedCall() = default;
    RecordedCall(const RecordedCall&) = delete;
    RecordedCall& operator=(const RecordedCall&) = delete;

    HostFunction Function() const { return _function; }
    virtual std::unique_ptr<PreparedCall> Prepare() const = 0;
    // Calls made inside this one (a command's body); null for other calls.
    virtual const std::vector<std::unique_ptr<RecordedCall>>* Nested() const { return nullptr; }

    void SetAnswer(Answer answer) { _answer = answer; }
    Answer RecordedAnswer() const { return _answer; }

private:
    HostFunction _function;
    Answer _answer;
};

// ---- Arguments --------------------------------------------------------------------------------

// A copyable value of any type behind a void*, for the selector functions' parameters.
class OpaqueValue {
public:
    virtual ~OpaqueValue() = default;
    virtual std::unique_ptr<OpaqueValue> Clone() const = 0;
    virtual void* Pointer() = 0;
};

template <typename T> class TypedOpaqueValue final : public OpaqueValue {
public:
    explicit TypedOpaqueValue(const T& value) : _value(value) {}
    std::unique_ptr<OpaqueValue> Clone() const override { return std::make_unique<TypedOpaqueValue>(_value); }
    void* Pointer() override { return &_value; }

private:
    T _value;
};

// Values and function pointers.
template <typename T> class Arg {
public:
    explicit Arg(T value) : _value(value) {}
    T Get() { return _value; }

private:
    T _value;
};

// Records and containers the host fills (outputs, or inputs it changes): a copy per call.
template <typename T>
requires(!std::is_function_v<T> && !std::is_void_v<T>) class Arg<T*> {
public:
    explicit Arg(T* pointer) {
        if (pointer != nullptr) {
            _value.emplace(*pointer);
        }
    }
    T* Get() { return _value ? &*_value : nullptr; }

private:
    std::optional<std::remove_const_t<T>> _value;
};

// Inputs: the host only reads them, so calls that passed equal values one after another share
// one copy, as they shared the add-on's one record (the clause properties written on every
// element); thousands of copies would cost a replay cache misses the add-on never had.
template <typename T> std::shared_ptr<const T> SharedInput(const T& value) {
    static std::weak_ptr<const T> last;
    if constexpr (std::equality_comparable<T>) {
        if (auto kept = last.lock(); kept != nullptr && *kept == value) {
            return kept;
        }
    }
    auto copy = std::make_shared<const T>(value);
    last = copy;
    return copy;
}

template <typename T>
requires(!std::is_function_v<T> && !std::is_void_v<T>) class Arg<const T*> {
public:
    explicit Arg(const T* pointer) : _value(pointer != nullptr ? SharedInput(*pointer) : nullptr) {}
    const T* Get() { return _value.get(); }

private:
    std::shared_ptr<const T> _value;
};

// Opaque parameters: filled in by SelectorParameters, or left null.
template <> class Arg<void*> {
public:
    explicit Arg(void* /*pointer*/) {}
    Arg(const Arg& other) : _value(other._value ? other._value->Clone() : nullptr) {}
    Arg& operator=(const Arg& other) {
        _value = other._value ? other._value->Clone() : nullptr;
        return *this;
    }
    Arg(Arg&&) noexcept = default;
    Arg& operator=(Arg&&) noexcept = default;
    ~Arg() = default;

    void Set(std::unique_ptr<OpaqueValue> value) { _value = std::move(value); }
    void* Get() { return _value ? _value->Pointer() : nullptr; }

private:
    std::unique_ptr<OpaqueValue> _value;
};

// The list borrows its types: the copy keeps them and points at its own.
template <> class Arg<const API_ElemTypeList*> {
public:
    explicit Arg(const API_ElemTypeList* list) : _null(list == nullptr) {
        if (list != nullptr && list->types != nullptr) {
            _types.assign(list->types, list->types + list->count);
        }
    }
    const API_ElemTypeList* Get() {
        _list = {_types.data(), static_cast<std::uint32_t>(_types.size())};
        return _null ? nullptr : &_list;
    }

private:
    bool _null;
    std::vector<API_ElemType> _types;
    API_ElemTypeList _list{};
};

// The opaque parameters of a selector request, as the request code types them.
std::vector<std::unique_ptr<OpaqueValue>> SelectorParameters(API_RequestCode code,
                                                             const std::array<void*, 5>& parameters);

// ---- Calls ------------------------------------------------------------------------------------

template <auto Slot, typename... A> class PreparedTypedCall final : public PreparedCall {
    using Result =
        std::invoke_result_t<std::remove_cvref_t<decltype(VNAPI_FunctionTable{}.*Slot)>, VNAPI_Token, A...>;

public:
    PreparedTypedCall(HostFunction function, Answer recorded, std::tuple<Arg<A>...> args)
        : PreparedCall(function, recorded, std::is_same_v<Result, VNAPI_ErrCode>), _args(std::move(args)) {}

    void Run(const VNAPI_FunctionTable& table, VNAPI_Token token, ReplayResult& result) override {
        const std::size_t number = ++result.calls;
        Answer replayed;
        if (const auto function = table.*Slot; function != nullptr) {
            std::apply(
                [&](auto&... args) {
                    using R = decltype(function(token, args.Get()...));
                    if constexpr (std::is_void_v<R>) {
                        function(token, args.Get()...);
                    } else {
                        replayed = AnswerOf(function(token, args.Get()...));
                    }
                },
                _args);
        }
        Tally(number, replayed, result);
    }

private:
    std::tuple<Arg<A>...> _args;
};

template <HostFunction F, auto Slot, typename... A> class TypedCall final : public RecordedCall {
public:
    explicit TypedCall(A... args) : RecordedCall(F), _args(Arg<A>(args)...) {
        if constexpr (IsSelectorFunction(F)) {
            const API_RequestCode code = std::get<0>(std::tie(args...));
            const auto values = SelectorParameters(code, OpaqueParameters(args...));
            SetOpaque(values, std::index_sequence_for<A...>());
        }
    }

    std::unique_ptr<PreparedCall> Prepare() const override {
        return std::make_unique<PreparedTypedCall<Slot, A...>>(F, RecordedAnswer(), _args);
    }

private:
    template <typename... P> static std::array<void*, 5> OpaqueParameters(API_RequestCode, P... parameters) {
        std::array<void*, 5> opaque{};
        std::size_t at = 0;
        ((opaque[at++] = parameters), ...);
        return opaque;
    }

    template <std::size_t... I>
    void SetOpaque(const std::vector<std::unique_ptr<OpaqueValue>>& values, std::index_sequence<I...>) {
        // Parameter I (after the request code) is the opaque one I - 1.
        (SetOne<I>(values), ...);
    }
    template <std::size_t I> void SetOne(const std::vector<std::unique_ptr<OpaqueValue>>& values) {
        if constexpr (I > 0) {
            if (I - 1 < values.size() && values[I - 1] != nullptr) {
                std::get<I>(_args).Set(values[I - 1]->Clone());
            }
        }
    }

    std::tuple<Arg<A>...> _args;
};

class PreparedCommand final : public PreparedCall {
public:
    PreparedCommand(HostFunction function, std::optional<QB::UniString> name, VNAPI_ErrCode bodyResult,
                    std::vector<std::unique_ptr<PreparedCall>> nested)
        : PreparedCall(function, bodyResult, true), _function(function), _name(std::move(name)),
          _bodyResult(bodyResult), _nested(std::move(nested)) {}

    void Run(const VNAPI_FunctionTable& table, VNAPI_Token token, ReplayResult& result) override;

private:
    static VNAPI_ErrCode Body(void* userData);

    HostFunction _function;
    std::optional<QB::UniString> _name;
    VNAPI_ErrCode _bodyResult;
    std::vector<std::unique_ptr<PreparedCall>> _nested;
    VNAPI_FunctionTable const* _table = nullptr;
    VNAPI_Token _token = nullptr;
    ReplayResult* _result = nullptr;
};

class RecordedCommand final : public RecordedCall {
public:
    RecordedCommand(HostFunction function, const QB::UniString* name)
        : RecordedCall(function), _named(name != nullptr), _name(name != nullptr ? *name : QB::UniString()) {}

    std::unique_ptr<PreparedCall> Prepare() const override;
    const std::vector<std::unique_ptr<RecordedCall>>* Nested() const override { return &_nested; }

    std::vector<std::unique_ptr<RecordedCall>>& NestedCalls() { return _nested; }
    void SetBodyResult(VNAPI_ErrCode result) { _bodyResult = result; }

private:
    bool _named;
    QB::UniString _name;
    VNAPI_ErrCode _bodyResult = NoError;
    std::vector<std::unique_ptr<RecordedCall>> _nested;
};

// What the trampolines feed while the host records.
class CallRecorder {
public:
    CallRecorder() : _open{&_recording._calls} {}

    // Keeps the call; for a command, the calls until the matching Leave go inside it.
    template <HostFunction Function, auto Slot, typename... A> void Enter(A... args) {
        if constexpr (Function == HostFunction::VNAPI_CallUndoableCommand ||
                      Function == HostFunction::VNAPI_CallCommand) {
            auto command = std::make_unique<RecordedCommand>(Function, std::get<0>(std::tie(args...)));
            RecordedCommand* kept = command.get();
            _open.back()->push_back(std::move(command));
            _open.push_back(&kept->NestedCalls());
            _commands.push_back(kept);
        } else {
            _open.back()->push_back(std::make_unique<TypedCall<Function, Slot, A...>>(args...));
            _unanswered.push_back(_open.back()->back().get());
        }
    }
    // The end of a command's call, with what it answered.
    void Leave(VNAPI_ErrCode result) {
        if (_commands.empty()) {
            return;
        }
        _commands.back()->SetBodyResult(result);
        _commands.pop_back();
        _open.pop_back();
    }
    // The end of any other call, with what it answered. Calls end in the reverse order of their
    // start: a call that tells the add-on something ends after the calls the add-on made then.
    void Answered(Answer answer) {
        if (_unanswered.empty()) {
            return;
        }
        _unanswered.back()->SetAnswer(answer);
        _unanswered.pop_back();
    }

    CallRecording Take() { return std::move(_recording); }

private:
    CallRecording _recording;
    std::vector<std::vector<std::unique_ptr<RecordedCall>>*> _open;
    std::vector<RecordedCommand*> _commands;
    std::vector<RecordedCall*> _unanswered;
};

} // namespace VantrelSim::Detail
