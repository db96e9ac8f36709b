// A small AutoLISP reader and evaluator: enough of the language for the
// expressions AutoCAD scripts hold (setq, if, while, repeat, progn, command,
// getvar/setvar, strings, lists, arithmetic). Functions the host provides are
// registered by name; an unknown function is an error, as in AutoCAD.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Value;
using ValueList = std::vector<Value>;

struct Value {
    enum class Kind { Nil, T, Int, Real, Str, Sym, List };
    Kind kind = Kind::Nil;
    long long i = 0;
    double r = 0;
    std::string s; // string text or symbol name (lower case)
    std::shared_ptr<ValueList> list;

    static Value Nil() { return {}; }
    static Value True() { return Make(Kind::T); }
    static Value Int(long long n) {
        Value v = Make(Kind::Int);
        v.i = n;
        return v;
    }
    static Value Real(double x) {
        Value v = Make(Kind::Real);
        v.r = x;
        return v;
    }
    static Value Str(std::string text) {
        Value v = Make(Kind::Str);
        v.s = std::move(text);
        return v;
    }
    static Value Sym(std::string name) {
        Value v = Make(Kind::Sym);
        v.s = std::move(name);
        return v;
    }
    static Value Make(Kind k) {
        Value v;
        v.kind = k;
        return v;
    }
    static Value List(ValueList items);
    static Value Bool(bool b) { return b ? True() : Nil(); }

    bool isNil() const { return kind == Kind::Nil || (kind == Kind::List && (!list || list->empty())); }
    bool isNumber() const { return kind == Kind::Int || kind == Kind::Real; }
    double number() const { return kind == Kind::Int ? static_cast<double>(i) : r; }
    // The text AutoCAD's command function sends for this value.
    std::string commandText() const;
};

struct LispError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses every complete expression of the text. Throws LispError on a syntax
// error or an unterminated expression.
ValueList ReadAll(std::string_view text);

// True when the text holds as many closing as opening parentheses (outside
// strings and comments), i.e. a script line ends an expression.
int ParenDepth(std::string_view text);

class Interpreter {
public:
    using Builtin = std::function<Value(Interpreter&, const ValueList& args)>;

    Interpreter();
    Value eval(const Value& expr);
    Value evalText(std::string_view text); // every expression, the last value
    void define(const std::string& name, Builtin fn);
    bool defined(const std::string& name) const;
    void setGlobal(const std::string& name, Value v) { globals_[name] = std::move(v); }

private:
    Value call(const std::string& name, const ValueList& form);
    std::map<std::string, Value> globals_;
    std::map<std::string, Builtin> builtins_;
    int depth_ = 0;
};

// AutoCAD's wildcard match: * any run, ? one character, # a digit, @ a letter,
// . a non-alphanumeric, ` escapes the next character, commas separate
// alternatives. Case-insensitive, as AutoCAD's is for names.
bool WcMatch(std::string_view text, std::string_view pattern);

} // namespace standin
