// The script engine: the process's single Lua 5.2 interpreter, and the only way
// host code reads and writes script globals and calls the recipe's phases.
//
// Threads: a Lua state must never be entered by two threads at once. Every
// host operation below holds the engine lock (recursive) while it is inside
// the state; script functions run under the lock their caller took. The
// installer window additionally keeps out of the engine while the install
// worker runs a phase (see docs/ARCHITECTURE.md), so the lock never blocks the
// UI thread for the length of a phase.
#pragma once

#include <windows.h>
#include <mutex>
#include <string>

#include <lua.hpp>

class ScriptCallback;

// What a script runtime error does once its text is built.
enum class ScriptErrorMode {
    ShowBox,      // an error box with the text and call stack, then exit
    LogOnly,      // silent runs: the text goes to the trace and the install log, then exit
};

class ZRLScriptEngine {
public:
    static ZRLScriptEngine& Instance();
    virtual ~ZRLScriptEngine();

    ZRLScriptEngine(const ZRLScriptEngine&) = delete;
    ZRLScriptEngine& operator=(const ZRLScriptEngine&) = delete;

    lua_State* State() const { return state_; }
    std::unique_lock<std::recursive_mutex> Lock() { return std::unique_lock<std::recursive_mutex>(mutex_); }

    // Loads a compiled or text chunk from this executable's resources and runs it.
    bool RunResourceScript(const wchar_t* type, const wchar_t* name);
    // Loads and runs a chunk held in memory; chunkName is in the ANSI code page.
    bool RunChunk(const char* data, size_t size, const char* chunkName);

    std::wstring GetGlobalString(const char* name);
    bool GetGlobalBoolean(const char* name);
    int GetGlobalInteger(const char* name);
    void SetGlobalNumber(const char* name, double value);
    void SetGlobalBoolean(const char* name, bool value);
    void SetGlobalString(const char* name, const std::wstring& value);

    // Calls the global function `name` with no arguments; nothing when it is no function.
    void CallScriptEvent(const char* name);
    // Calls the function below the top `nargs` values under the error handler.
    int ProtectedCall(int nargs, int nresults);

    // Deletes a file or a directory tree; junctions and links inside are removed, not followed.
    // The Ex form reports each file it could not delete to the callback (path, error code).
    static void DeleteDirectories(const std::wstring& path);
    static void DeleteDirectoriesEx(const std::wstring& path, ScriptCallback* callback);

    void SetErrorMode(ScriptErrorMode mode) { errorMode_ = mode; }
    ScriptErrorMode ErrorMode() const { return errorMode_; }

    // The process exit code used after a script runtime error.
    static constexpr UINT kScriptErrorExitCode = 1603;

private:
    ZRLScriptEngine();

    lua_State* state_ = nullptr;
    std::recursive_mutex mutex_;
    ScriptErrorMode errorMode_ = ScriptErrorMode::ShowBox;
};

// The error report for the error value on top of the stack: the message, then
// "      <call stack>" and one line per active function, as UTF-16.
std::wstring FormatScriptError(lua_State* L);

// The message handler of every protected call the engine makes: reports the
// error with a Lua call stack and ends the process. Never returns.
int ScriptErrorHandler(lua_State* L);
