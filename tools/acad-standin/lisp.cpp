#include "lisp.h"

#include "core/strings.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace standin {

Value Value::List(ValueList items) {
    Value v;
    v.kind = Kind::List;
    v.list = std::make_shared<ValueList>(std::move(items));
    return v;
}

std::string Value::commandText() const {
    switch (kind) {
    case Kind::Str:
        return s;
    case Kind::Int:
        return std::to_string(i);
    case Kind::Real: {
        char text[64];
        std::snprintf(text, sizeof text, "%g", r);
        return text;
    }
    case Kind::T:
        return "T";
    case Kind::Sym:
        return s;
    default:
        return "";
    }
}

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool atEnd() {
        skip();
        return pos_ >= text_.size();
    }

    Value read() {
        skip();
        if (pos_ >= text_.size())
            throw LispError("unexpected end of expression");
        const char c = text_[pos_];
        if (c == '(') {
            ++pos_;
            ValueList items;
            while (true) {
                skip();
                if (pos_ >= text_.size())
                    throw LispError("malformed list: missing )");
                if (text_[pos_] == ')') {
                    ++pos_;
                    return Value::List(std::move(items));
                }
                if (text_[pos_] == '.' && pos_ + 1 < text_.size() &&
                    std::isspace(static_cast<unsigned char>(text_[pos_ + 1]))) {
                    ++pos_; // dotted pair: keep it a plain list
                    continue;
                }
                items.push_back(read());
            }
        }
        if (c == ')')
            throw LispError("extra right paren");
        if (c == '\'') {
            ++pos_;
            return Value::List({Value::Sym("quote"), read()});
        }
        if (c == '"')
            return readString();
        return readAtom();
    }

private:
    void skip() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == ';') {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    Value readString() {
        ++pos_;
        std::string out;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c == '\\' && pos_ < text_.size()) {
                const char e = text_[pos_++];
                c = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'e' ? '\x1b' : e;
            }
            out.push_back(c);
        }
        if (pos_ >= text_.size())
            throw LispError("malformed string");
        ++pos_;
        return Value::Str(std::move(out));
    }

    Value readAtom() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
               text_[pos_] != '(' && text_[pos_] != ')' && text_[pos_] != '"' && text_[pos_] != ';')
            ++pos_;
        const std::string token(text_.substr(start, pos_ - start));
        char* end = nullptr;
        const long long n = std::strtoll(token.c_str(), &end, 10);
        if (!token.empty() && end == token.c_str() + token.size())
            return Value::Int(n);
        const double x = std::strtod(token.c_str(), &end);
        if (!token.empty() && end == token.c_str() + token.size() &&
            token.find_first_of("0123456789") != std::string::npos)
            return Value::Real(x);
        const std::string name = ps::ToLower(token);
        if (name == "nil")
            return Value::Nil();
        if (name == "t")
            return Value::True();
        return Value::Sym(name);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool Equal(const Value& a, const Value& b) {
    if (a.isNil() && b.isNil())
        return true;
    if (a.isNumber() && b.isNumber())
        return a.number() == b.number();
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case Value::Kind::Str:
    case Value::Kind::Sym:
        return a.s == b.s;
    case Value::Kind::T:
        return true;
    case Value::Kind::List: {
        if (a.list->size() != b.list->size())
            return false;
        for (std::size_t i = 0; i < a.list->size(); ++i)
            if (!Equal((*a.list)[i], (*b.list)[i]))
                return false;
        return true;
    }
    default:
        return false;
    }
}

const Value& Arg(const ValueList& args, std::size_t i) {
    if (i >= args.size())
        throw LispError("too few arguments");
    return args[i];
}

long long IntArg(const ValueList& args, std::size_t i) {
    const Value& v = Arg(args, i);
    if (!v.isNumber())
        throw LispError("bad argument type: numberp");
    return v.kind == Value::Kind::Int ? v.i : static_cast<long long>(v.r);
}

const std::string& StrArg(const ValueList& args, std::size_t i) {
    const Value& v = Arg(args, i);
    if (v.kind != Value::Kind::Str)
        throw LispError("bad argument type: stringp");
    return v.s;
}

bool MatchOne(std::string_view text, std::string_view pattern) {
    if (pattern.empty())
        return text.empty();
    const char p = pattern.front();
    if (p == '*') {
        for (std::size_t k = 0; k <= text.size(); ++k)
            if (MatchOne(text.substr(k), pattern.substr(1)))
                return true;
        return false;
    }
    if (text.empty())
        return false;
    const auto c = static_cast<unsigned char>(text.front());
    bool ok;
    std::size_t used = 1;
    switch (p) {
    case '?':
        ok = true;
        break;
    case '#':
        ok = std::isdigit(c) != 0;
        break;
    case '@':
        ok = std::isalpha(c) != 0;
        break;
    case '.':
        ok = std::isalnum(c) == 0;
        break;
    case '`':
        ok = pattern.size() > 1 && std::toupper(c) == std::toupper(static_cast<unsigned char>(pattern[1]));
        used = 2;
        break;
    default:
        ok = std::toupper(c) == std::toupper(static_cast<unsigned char>(p));
    }
    return ok && MatchOne(text.substr(1), pattern.substr(used));
}

} // namespace

ValueList ReadAll(std::string_view text) {
    Reader reader(text);
    ValueList out;
    while (!reader.atEnd())
        out.push_back(reader.read());
    return out;
}

int ParenDepth(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == ';') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        }
    }
    return depth;
}

bool WcMatch(std::string_view text, std::string_view pattern) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= pattern.size(); ++i) {
        if (i == pattern.size() || (pattern[i] == ',' && (i == 0 || pattern[i - 1] != '`'))) {
            if (MatchOne(text, pattern.substr(start, i - start)))
                return true;
            start = i + 1;
        }
    }
    return false;
}

Interpreter::Interpreter() {
    define("not", [](Interpreter&, const ValueList& a) { return Value::Bool(Arg(a, 0).isNil()); });
    define("null", [](Interpreter&, const ValueList& a) { return Value::Bool(Arg(a, 0).isNil()); });
    define("equal",
           [](Interpreter&, const ValueList& a) { return Value::Bool(Equal(Arg(a, 0), Arg(a, 1))); });
    define("eq", [](Interpreter&, const ValueList& a) { return Value::Bool(Equal(Arg(a, 0), Arg(a, 1))); });
    define("=", [](Interpreter&, const ValueList& a) {
        for (std::size_t i = 1; i < a.size(); ++i)
            if (!Equal(a[0], a[i]))
                return Value::Nil();
        Arg(a, 0);
        return Value::True();
    });
    define("/=", [](Interpreter&, const ValueList& a) { return Value::Bool(!Equal(Arg(a, 0), Arg(a, 1))); });
    define("<", [](Interpreter&, const ValueList& a) {
        return Value::Bool(Arg(a, 0).number() < Arg(a, 1).number());
    });
    define(">", [](Interpreter&, const ValueList& a) {
        return Value::Bool(Arg(a, 0).number() > Arg(a, 1).number());
    });
    define("+", [](Interpreter&, const ValueList& a) {
        long long sum = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            sum += IntArg(a, i);
        return Value::Int(sum);
    });
    define("-", [](Interpreter&, const ValueList& a) {
        long long v = IntArg(a, 0);
        if (a.size() == 1)
            return Value::Int(-v);
        for (std::size_t i = 1; i < a.size(); ++i)
            v -= IntArg(a, i);
        return Value::Int(v);
    });
    define("1+", [](Interpreter&, const ValueList& a) { return Value::Int(IntArg(a, 0) + 1); });
    define("logand", [](Interpreter&, const ValueList& a) {
        long long v = -1;
        for (std::size_t i = 0; i < a.size(); ++i)
            v &= IntArg(a, i);
        return Value::Int(a.empty() ? 0 : v);
    });
    define("strcase", [](Interpreter&, const ValueList& a) {
        // As AutoCAD's: accented Latin letters change case too.
        const std::string s = StrArg(a, 0);
        const bool lower = a.size() > 1 && !a[1].isNil();
        return Value::Str(lower ? ps::ToLower(s) : ps::ToUpper(s));
    });
    define("strcat", [](Interpreter&, const ValueList& a) {
        std::string s;
        for (std::size_t i = 0; i < a.size(); ++i)
            s += StrArg(a, i);
        return Value::Str(s);
    });
    define("vl-filename-base", [](Interpreter&, const ValueList& a) {
        std::string s = StrArg(a, 0);
        const auto slash = s.find_last_of("\\/:");
        if (slash != std::string::npos)
            s = s.substr(slash + 1);
        const auto dot = s.rfind('.');
        if (dot != std::string::npos)
            s = s.substr(0, dot);
        return Value::Str(s);
    });
    define("wcmatch",
           [](Interpreter&, const ValueList& a) { return Value::Bool(WcMatch(StrArg(a, 0), StrArg(a, 1))); });
    define("list", [](Interpreter&, const ValueList& a) { return Value::List(a); });
    define("length", [](Interpreter&, const ValueList& a) {
        const Value& v = Arg(a, 0);
        if (v.isNil())
            return Value::Int(0);
        if (v.kind != Value::Kind::List)
            throw LispError("bad argument type: listp");
        return Value::Int(static_cast<long long>(v.list->size()));
    });
    define("nth", [](Interpreter&, const ValueList& a) {
        const long long n = IntArg(a, 0);
        const Value& v = Arg(a, 1);
        if (v.isNil())
            return Value::Nil();
        if (v.kind != Value::Kind::List)
            throw LispError("bad argument type: listp");
        if (n < 0 || static_cast<std::size_t>(n) >= v.list->size())
            return Value::Nil();
        return (*v.list)[static_cast<std::size_t>(n)];
    });
    define("princ", [](Interpreter&, const ValueList& a) { return a.empty() ? Value::Nil() : a[0]; });
    define("vl-load-com", [](Interpreter&, const ValueList&) { return Value::Nil(); });
}

void Interpreter::define(const std::string& name, Builtin fn) {
    builtins_[ps::ToLower(name)] = std::move(fn);
}

bool Interpreter::defined(const std::string& name) const {
    return builtins_.count(ps::ToLower(name)) != 0;
}

Value Interpreter::evalText(std::string_view text) {
    Value last;
    for (const auto& expr : ReadAll(text))
        last = eval(expr);
    return last;
}

Value Interpreter::eval(const Value& expr) {
    switch (expr.kind) {
    case Value::Kind::Sym: {
        auto it = globals_.find(expr.s);
        return it == globals_.end() ? Value::Nil() : it->second;
    }
    case Value::Kind::List:
        if (expr.list->empty())
            return Value::Nil();
        if ((*expr.list)[0].kind != Value::Kind::Sym)
            throw LispError("bad function");
        if (++depth_ > 500) {
            depth_ = 0;
            throw LispError("stack overflow");
        }
        {
            struct Leave {
                int& d;
                ~Leave() { --d; }
            } leave{depth_};
            return call((*expr.list)[0].s, *expr.list);
        }
    default:
        return expr;
    }
}

Value Interpreter::call(const std::string& name, const ValueList& form) {
    const auto arg = [&](std::size_t i) -> const Value& {
        if (i >= form.size())
            throw LispError("too few arguments");
        return form[i];
    };
    if (name == "quote")
        return arg(1);
    if (name == "setq") {
        Value last;
        for (std::size_t i = 1; i + 1 < form.size(); i += 2) {
            if (form[i].kind != Value::Kind::Sym)
                throw LispError("bad argument type: symbolp");
            last = eval(form[i + 1]);
            globals_[form[i].s] = last;
        }
        return last;
    }
    if (name == "if") {
        if (!eval(arg(1)).isNil())
            return eval(arg(2));
        return form.size() > 3 ? eval(form[3]) : Value::Nil();
    }
    if (name == "progn") {
        Value last;
        for (std::size_t i = 1; i < form.size(); ++i)
            last = eval(form[i]);
        return last;
    }
    if (name == "while") {
        Value last;
        int guard = 0;
        while (!eval(arg(1)).isNil()) {
            for (std::size_t i = 2; i < form.size(); ++i)
                last = eval(form[i]);
            if (++guard > 100000)
                throw LispError("endless loop");
        }
        return last;
    }
    if (name == "repeat") {
        const Value count = eval(arg(1));
        if (!count.isNumber())
            throw LispError("bad argument type: numberp");
        Value last;
        for (long long n = 0; n < static_cast<long long>(count.number()); ++n)
            for (std::size_t i = 2; i < form.size(); ++i)
                last = eval(form[i]);
        return last;
    }
    if (name == "and") {
        for (std::size_t i = 1; i < form.size(); ++i)
            if (eval(form[i]).isNil())
                return Value::Nil();
        return Value::True();
    }
    if (name == "or") {
        for (std::size_t i = 1; i < form.size(); ++i)
            if (!eval(form[i]).isNil())
                return Value::True();
        return Value::Nil();
    }
    auto it = builtins_.find(name);
    if (it == builtins_.end())
        throw LispError("no function definition: " + name);
    ValueList args;
    for (std::size_t i = 1; i < form.size(); ++i)
        args.push_back(eval(form[i]));
    return it->second(*this, args);
}

} // namespace standin
