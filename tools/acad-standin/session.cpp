#include "session.h"

#include "acad/host.h"

#include <algorithm>
#include "core/strings.h"

#include <cctype>

namespace standin {
namespace {

// A command or option name without its language-neutral "_" and built-in "." prefixes.
std::string Bare(std::string_view token) {
    std::size_t i = 0;
    while (i < token.size() && (token[i] == '_' || token[i] == '.'))
        ++i;
    return ps::ToLower(token.substr(i));
}

std::optional<bool> YesNo(const std::string& token) {
    const std::string b = Bare(token);
    if (b == "y" || b == "yes")
        return true;
    if (b == "n" || b == "no")
        return false;
    return std::nullopt;
}

std::string Extension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("\\/:");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot + 1);
}

std::string WithoutExtension(const std::string& path) {
    const std::string ext = Extension(path);
    return ext.empty() ? path : path.substr(0, path.size() - ext.size() - 1);
}

std::string FileName(const std::string& path) {
    const auto slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* const kPurgeTypes[] = {"a", "b", "d", "la", "lt", "m", "sh", "st", "p", "r", "t", "ma", "v"};
// Orphaned data is offered by -PURGE from 2018 on (the release that writes AC1032).
constexpr std::string_view kOrphanedDataSince = "AC1032";

// The kinds of named objects a -PURGE option removes, as the companion's record names them.
struct PurgeKind {
    const char* option;
    const char* kind;
};
constexpr PurgeKind kPurgeKinds[] = {{"b", "blocks"},       {"la", "layers"},          {"lt", "linetypes"},
                                     {"st", "text_styles"}, {"d", "dimension_styles"}, {"r", "regapps"}};

const char* const kCompanionFunctions[] = {"DeleteLayerFilters",  "DeleteLayerStates", "LmanKill",
                                           "deleteAllPageSetups", "DelACAD_VBA",       "PurgeAPPID",
                                           "PurgeAnonymGroups",   "PurgeAllGroups",    "PurgeAllNOD",
                                           "c:DelNullLine",       "c:DeleteEmtyText"};

} // namespace

std::string VersionCodeOfFormat(std::string_view format) {
    return std::string(ps::VersionCodeOfSaveFormat(format));
}

std::vector<std::string> InputsOfLine(std::string_view line) {
    std::vector<std::string> inputs;
    std::string current;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            inputs.push_back(current);
            current.clear();
        } else if (c != '\r' && c != '\n') {
            current.push_back(c);
        }
    }
    inputs.push_back(current);
    return inputs;
}

Session::Session(SessionHost& host, std::string drawingPath, std::string nativeVersionCode)
    : host_(host), drawing_(std::move(drawingPath)), native_(std::move(nativeVersionCode)) {
    for (const char* name : {"cmdecho", "expert", "qaflags", "nomutt"})
        sysvars_[name] = Value::Int(0);
    sysvars_["cmdecho"] = Value::Int(1);
    sysvars_["tilemode"] = Value::Int(1);
    sysvars_["viewmode"] = Value::Int(0);
    for (const char* name : {"indexctl", "isavepercent", "proxygraphics", "rasterpreview"})
        sysvars_[name] = Value::Int(0);
    sysvars_["isavepercent"] = Value::Int(50);
    sysvars_["rasterpreview"] = Value::Int(1);
    defineLisp();
}

std::string Session::activeCommand() const {
    return active_ ? ps::ToUpper(active_->name) : std::string();
}

Value Session::getvar(const std::string& name) const {
    const std::string n = ps::ToLower(name);
    if (n == "cmdnames")
        return Value::Str(activeCommand());
    if (n == "cmdactive")
        return Value::Int(active_ ? 1 : 0);
    if (n == "dbmod")
        return Value::Int(dbmod_);
    if (n == "dwgname")
        return Value::Str(FileName(drawing_));
    auto it = sysvars_.find(n);
    return it == sysvars_.end() ? Value::Nil() : it->second;
}

void Session::defineLisp() {
    lisp_.define("getvar", [this](Interpreter&, const ValueList& a) {
        if (a.empty() || a[0].kind != Value::Kind::Str)
            throw LispError("bad argument type: stringp");
        return getvar(a[0].s);
    });
    lisp_.define("setvar", [this](Interpreter&, const ValueList& a) {
        if (a.size() < 2 || a[0].kind != Value::Kind::Str)
            throw LispError("bad argument type");
        const std::string n = ps::ToLower(a[0].s);
        if (n == "dbmod" || n == "dwgname" || n == "cmdnames" || sysvars_.count(n) == 0)
            throw LispError("setvar rejected: " + a[0].s);
        sysvars_[n] = a[1];
        return a[1];
    });
    lisp_.define("command", [this](Interpreter&, const ValueList& a) {
        if (a.empty()) {
            active_.reset();
            return Value::Nil();
        }
        for (const auto& v : a)
            if (!input(v.commandText())) {
                active_.reset();
                throw LispError("command rejected: " + v.commandText());
            }
        return Value::Nil();
    });
    lisp_.define("load", [this](Interpreter&, const ValueList& a) {
        if (a.empty() || a[0].kind != Value::Kind::Str)
            throw LispError("bad argument type: stringp");
        const std::string& path = a[0].s;
        if (!host_.fileExists(path) || !host_.mayLoad(path))
            throw LispError("LOAD failed: \"" + path + "\"");
        const std::string base = ps::ToLower(FileName(WithoutExtension(path)));
        if (base == "plansweeper") {
            companion_ = true;
            for (const char* fn : kCompanionFunctions) {
                lisp_.define(fn, [this](Interpreter&, const ValueList&) {
                    setModified();
                    return Value::Nil();
                });
            }
            lisp_.define("PlansweeperFactsBegin", [this](Interpreter&, const ValueList& args) {
                if (args.empty() || args[0].kind != Value::Kind::Str)
                    throw LispError("bad argument type: stringp");
                factsPath_ = args[0].s;
                purged_.clear();
                return Value::Nil();
            });
            lisp_.define("PlansweeperFactsEnd", [this](Interpreter&, const ValueList&) {
                writeFacts();
                return Value::Nil();
            });
        } else if (ps::ToLower(Extension(path)) == "lsp") {
            if (auto text = host_.readTextFile(path))
                lisp_.evalText(*text);
        }
        host_.journal("loaded " + path);
        return Value::True();
    });
    lisp_.define("arxload", [this](Interpreter&, const ValueList& a) {
        if (a.empty() || a[0].kind != Value::Kind::Str)
            throw LispError("bad argument type: stringp");
        if (!host_.fileExists(a[0].s) || !host_.mayLoad(a[0].s))
            throw LispError("arxload failed: \"" + a[0].s + "\"");
        if (ps::ToLower(FileName(a[0].s)).find("cleanregapp") != std::string::npos)
            purgeApp_ = true;
        host_.journal("arx loaded " + a[0].s);
        return a[0];
    });
}

bool Session::input(const std::string& token) {
    if (quit_)
        return true;
    return active_ ? continueCommand(token) : startCommand(token);
}

bool Session::startCommand(const std::string& token) {
    if (token.empty())
        return true; // Enter at the prompt
    const std::string name = Bare(token);
    if (sysvars_.count(name) != 0) {
        active_ = Active{name, 1, {}, {}};
        return true;
    }
    if (name == "audit" || name == "purge" || name == "zoom" || name == "script" || name == "saveas") {
        active_ = Active{name, 1, {}, {}};
        return true;
    }
    if (name == "quit") {
        if (dbmod_ == 0) {
            quit_ = true;
            return true;
        }
        active_ = Active{name, 1, {}, {}}; // "Really want to discard all changes to drawing?"
        return true;
    }
    if (name == "pspace")
        return getvar("tilemode").number() == 0;
    if (name == "resume")
        return true;
    if ((name == "delnullline" || name == "deleteemtytext") && companion_) {
        setModified();
        return true;
    }
    if (name == "purgeapp" && purgeApp_) {
        setModified();
        return true;
    }
    return false; // Unknown command
}

bool Session::continueCommand(const std::string& token) {
    Active& a = *active_;
    const std::string bare = Bare(token);
    if (sysvars_.count(a.name) != 0) {
        char* end = nullptr;
        const long long v = std::strtoll(token.c_str(), &end, 10);
        active_.reset();
        if (token.empty() || end != token.c_str() + token.size())
            return false;
        sysvars_[a.name] = Value::Int(v);
        return true;
    }
    if (a.name == "audit") {
        active_.reset();
        if (!YesNo(token))
            return false;
        setModified();
        return true;
    }
    if (a.name == "zoom") {
        active_.reset();
        if (bare != "e" && bare != "a" && bare != "extents" && bare != "all")
            return false;
        dbmod_ |= 4;
        return true;
    }
    if (a.name == "purge") {
        if (a.stage == 1) {
            const bool orphaned = bare == "o" && !native_.empty() && native_ >= kOrphanedDataSince;
            if (!orphaned &&
                std::find(std::begin(kPurgeTypes), std::end(kPurgeTypes), bare) == std::end(kPurgeTypes)) {
                active_.reset();
                return false;
            }
            a.format = bare;
            ++a.stage;
            return true;
        }
        if (a.stage == 2) { // names to purge
            ++a.stage;
            return true;
        }
        const std::string option = a.format;
        active_.reset(); // verify each name?
        if (!YesNo(token))
            return false;
        for (const auto& k : kPurgeKinds)
            if (option == "a" || option == k.option) {
                purged_[k.kind] += contents_.unused[k.kind];
                contents_.unused[k.kind] = 0;
            }
        setModified();
        return true;
    }
    if (a.name == "script") {
        const std::string path = token;
        active_.reset();
        if (!host_.fileExists(path))
            return false;
        runScriptFile(path);
        return true;
    }
    if (a.name == "saveas") {
        if (a.stage == 1) {
            a.format = VersionCodeOfFormat(token);
            if (a.format.empty()) {
                active_.reset();
                return false;
            }
            a.stage = 2;
            return true;
        }
        if (a.stage == 2) {
            // Every format here is a DWG format: a name without ".dwg" gets it.
            std::string path = token.empty() ? WithoutExtension(drawing_) : token;
            if (ps::ToLower(Extension(path)) != "dwg")
                path += ".dwg";
            a.path = path;
            // Saving the open drawing under its own name in the product's own
            // format is a plain save; replacing any other existing file, or
            // writing the drawing in an older format, must be confirmed.
            const bool ownFile = ps::ToLower(path) == ps::ToLower(drawing_) && a.format == native_;
            if (host_.fileExists(path) && !ownFile) {
                a.stage = 3; // "already exists. Do you want to replace it?"
                return true;
            }
            return finishSave();
        }
        const auto yes = YesNo(token);
        if (!yes) {
            active_.reset();
            return false;
        }
        if (!*yes) {
            active_.reset();
            return true;
        }
        return finishSave();
    }
    if (a.name == "quit") {
        const auto yes = YesNo(token);
        active_.reset();
        if (!yes)
            return false;
        quit_ = *yes;
        return true;
    }
    active_.reset();
    return false;
}

bool Session::finishSave() {
    const Active a = *active_;
    active_.reset();
    if (host_.saveDrawing(a.format, a.path)) {
        drawing_ = a.path;
        dbmod_ = 0;
    }
    return true;
}

void Session::runScriptFile(const std::string& path) {
    const auto text = host_.readTextFile(path);
    if (!text || scriptDepth_ > 8)
        return;
    ++scriptDepth_;
    std::size_t start = 0;
    while (start <= text->size() && !quit_) {
        auto end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        std::string line = text->substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!(end == text->size() && line.empty()))
            scriptLine(line);
        start = end + 1;
    }
    scriptEnded();
    --scriptDepth_;
}

void Session::evaluate(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\n";
    bool ok = true;
    try {
        // An expression typed at a prompt answers it with its value.
        const bool atPrompt = active_.has_value();
        const Value result = lisp_.evalText(text);
        if (atPrompt && active_ && (result.kind == Value::Kind::Str || result.isNumber()))
            ok = input(result.commandText());
    } catch (const LispError& e) {
        ok = false;
        host_.journal("error: " + std::string(e.what()));
    }
    for (const auto& l : lines)
        host_.journal((ok ? "executed: " : "not understood: ") + l);
}

void Session::scriptLine(const std::string& line) {
    if (quit_)
        return;
    const auto first = line.find_first_not_of(' ');
    if (!autoLisp_ && first != std::string::npos && line[first] == '(') {
        host_.journal("not understood: " + line);
        return;
    }
    if (!pendingLisp_.empty() || (first != std::string::npos && line[first] == '(')) {
        pendingLisp_.push_back(line);
        std::string all;
        for (const auto& l : pendingLisp_)
            all += l + "\n";
        if (ParenDepth(all) <= 0) {
            auto lines = std::move(pendingLisp_);
            pendingLisp_.clear();
            evaluate(lines);
        }
        return;
    }
    bool ok = true;
    for (const auto& token : InputsOfLine(line)) {
        if (!input(token)) {
            ok = false;
            active_.reset();
            break;
        }
        if (quit_)
            break;
    }
    host_.journal((ok ? "executed: " : "not understood: ") + line);
}

void Session::scriptEnded() {
    if (pendingLisp_.empty())
        return;
    for (const auto& l : pendingLisp_)
        host_.journal("not understood: " + l);
    pendingLisp_.clear();
}

bool Session::typed(const std::string& inputText) {
    const bool ok = input(inputText);
    host_.journal("typed: " + inputText + (ok ? "" : " (not understood)"));
    return ok;
}

void Session::escape() {
    active_.reset();
    host_.journal("key: {ESC}");
}

// The companion's record of the cleaning, as it writes it: what the purges
// removed, proxy objects, missing references, and the line that ends it.
void Session::writeFacts() {
    if (factsPath_.empty())
        return;
    std::string text;
    for (const auto& k : kPurgeKinds)
        text += std::string("purged.") + k.kind + "=" + std::to_string(purged_[k.kind]) + "\r\n";
    text += "proxies=" + std::to_string(contents_.proxies) + "\r\n";
    for (const auto& name : contents_.missingXrefs)
        text += "missing_xref=" + name + "\r\n";
    for (const auto& name : contents_.missingFonts)
        text += "missing_font=" + name + "\r\n";
    for (const auto& name : contents_.missingImages)
        text += "missing_image=" + name + "\r\n";
    if (getvar("logfilemode").number() == 1)
        text += "log=" + getvar("logfilename").s + "\r\n";
    text += "complete=1\r\n";
    if (!host_.writeTextFile(factsPath_, text))
        throw LispError("cannot write " + factsPath_);
    host_.journal("facts written " + factsPath_);
}

} // namespace standin
