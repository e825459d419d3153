// The WebAssembly module's interface to the page: plain values in, plain objects out. Errors
// the model raises reach JavaScript as an Error with the model's message.

#include "webshell.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <exception>
#include <string>

using emscripten::val;

namespace {

val Fail(const std::exception& error)
{
    return val::global("Error").new_(std::string(error.what()));
}

std::string StringField(const val& object, const char* name, const std::string& fallback)
{
    const val v = object[name];
    return v.isString() ? v.as<std::string>() : fallback;
}

web::PageInputs InputsFrom(const val& object)
{
    web::PageInputs in;
    in.a = StringField(object, "a", in.a);
    in.b = StringField(object, "b", in.b);
    in.keyA = StringField(object, "keyA", in.keyA);
    in.keyB = StringField(object, "keyB", in.keyB);
    in.keyRx = StringField(object, "keyRx", in.keyRx);
    const val sf = object["sf"];
    if (sf.isNumber())
        in.spread = sf.as<int>();
    return in;
}

val CheckKey(int field, const std::string& text)
{
    const web::KeyCheck check = web::CheckKey(static_cast<web::KeyField>(field), text);
    val out = val::object();
    out.set("accepted", check.accepted);
    out.set("value", check.value);
    return out;
}

std::string TypedCharacter(const std::string& typed)
{
    return web::TypedCharacter(typed);
}

// Returns the result, or an Error for a run the model refuses; it never throws into the page.
val Simulate(const val& inputs)
{
    try {
        const web::PageResult r = web::Simulate(InputsFrom(inputs));
        val out = val::object();
        out.set("received", r.received);
        out.set("code", r.code);
        out.set("ok", r.ok);
        out.set("channel", std::string(1, r.channel));
        return out;
    } catch (const std::exception& error) {
        return Fail(error);
    }
}

} // namespace

EMSCRIPTEN_BINDINGS(dscdma)
{
    emscripten::function("checkKey", &CheckKey);
    emscripten::function("typedCharacter", &TypedCharacter);
    emscripten::function("simulate", &Simulate);
}
