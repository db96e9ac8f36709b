// The stand-in's model of an AutoCAD session on one drawing: the command
// processor with the commands our scripts use, system variables, AutoLISP
// expressions that span lines, the companion application's functions, and
// save-as/quit with AutoCAD's prompts. Everything outside (files, windows,
// the journal) goes through the host.
#pragma once

#include "lisp.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace standin {

class SessionHost {
public:
    virtual ~SessionHost() = default;
    virtual void journal(const std::string& line) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    virtual std::optional<std::string> readTextFile(const std::string& path) = 0;
    // Writes the open drawing to path in the format's version; false when
    // nothing was written.
    virtual bool saveDrawing(const std::string& versionCode, const std::string& path) = 0;
    // Whether code may be loaded from the file (AutoCAD's secure load); it may ask first.
    virtual bool mayLoad(const std::string& /*path*/) { return true; }
    // A text file the companion writes (in the ANSI code page); false when it could not.
    virtual bool writeTextFile(const std::string& path, const std::string& text) = 0;
};

// What the open drawing holds that the companion's record reports: named
// objects nothing uses, by the record's kind ("blocks", "layers", ...),
// proxy objects, and references AutoCAD cannot find.
struct DrawingContents {
    std::map<std::string, long> unused;
    long proxies = 0;
    std::vector<std::string> missingXrefs;
    std::vector<std::string> missingFonts;
    std::vector<std::string> missingImages;
};

// "AC1009" … "AC1024" for "_r12" … "_2010" (any letter case), else empty.
std::string VersionCodeOfFormat(std::string_view format);

// A script line as AutoCAD reads it from the keyboard: blanks and the line
// end each end one input; text in double quotes is one input.
std::vector<std::string> InputsOfLine(std::string_view line);

class Session {
public:
    // nativeVersionCode: the version code of the product's own format
    // ("AC1021" for a 2007 product), empty when it has none of ours.
    Session(SessionHost& host, std::string drawingPath, std::string nativeVersionCode = {});

    // One line of a script, journalled "executed: " or "not understood: "
    // (a multi-line AutoLISP expression when it is complete).
    void scriptLine(const std::string& line);
    // End of the script: an unfinished expression is not understood.
    void scriptEnded();
    // One input typed at the keyboard (a word ended by a blank or Enter).
    bool typed(const std::string& input);
    // Esc: cancels the active command.
    void escape();

    bool quitRequested() const { return quit_; }
    bool modified() const { return dbmod_ != 0; }
    void setModified() { dbmod_ |= 1; }
    const std::string& drawingPath() const { return drawing_; }
    std::string activeCommand() const; // upper case, empty at the command prompt
    bool companionLoaded() const { return companion_; }
    void setContents(DrawingContents contents) { contents_ = std::move(contents); }
    // A system variable as the session starts with it (LOGFILENAME, ...).
    void setSysvar(const std::string& name, Value value) { sysvars_[name] = std::move(value); }
    // AutoCAD LT before 2024 has no AutoLISP: expressions are not understood.
    void setAutoLisp(bool on) { autoLisp_ = on; }

private:
    struct Active {
        std::string name;
        int stage = 0;
        std::string format;
        std::string path;
    };

    bool input(const std::string& token);
    bool startCommand(const std::string& token);
    bool continueCommand(const std::string& token);
    bool finishSave();
    void runScriptFile(const std::string& path);
    void evaluate(const std::vector<std::string>& lines);
    void defineLisp();
    void writeFacts();
    Value getvar(const std::string& name) const;

    SessionHost& host_;
    std::string drawing_;
    std::string native_;
    Interpreter lisp_;
    std::optional<Active> active_;
    std::vector<std::string> pendingLisp_;
    std::map<std::string, Value> sysvars_;
    long long dbmod_ = 0;
    bool quit_ = false;
    bool companion_ = false;
    bool autoLisp_ = true;
    bool purgeApp_ = false;
    int scriptDepth_ = 0;
    DrawingContents contents_;
    std::map<std::string, long> purged_; // by kind, as the purges removed them
    std::string factsPath_;
};

} // namespace standin
