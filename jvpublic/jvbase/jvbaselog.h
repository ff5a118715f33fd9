// The install log: one spdlog logger named "both" over a daily file sink in
// the temporary folder (Install_YYYY-MM-DD.log), level info, flushed per line.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#define FMT_HEADER_ONLY 1
#include <spdlog/spdlog.h>

class CJVBaseLog {
public:
    static CJVBaseLog& Instance();
    virtual ~CJVBaseLog();

    // Sets up the file logger for an ANSI path (at most 259 bytes). Failures go
    // to the debugger output only; logging then stays off for the run.
    void InitLogger(const std::string& ansiPath);

    // Null until InitLogger has succeeded.
    spdlog::logger* Logger() const { return logger_.get(); }

private:
    CJVBaseLog() = default;
    std::shared_ptr<spdlog::logger> logger_;
};

namespace zrl::log {

// Deletes every file in `folder` whose name up to its first '_' equals
// `baseName`, except today's daily log; used before the sink is opened.
void DeleteOldLogs(const std::string& folder, const std::string& baseName);

// "name.ext" from a compiler source path (after the last '\' or '/').
constexpr std::string_view SourceBaseName(std::string_view path) {
    const auto cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

} // namespace zrl::log

// LOG_INFO("strAppPath:{}", path): "[file.cpp Function: line] " + the message.
#define LOG_INFO(format, ...)                                                          \
    do {                                                                               \
        if (auto* zrlLogger_ = CJVBaseLog::Instance().Logger()) {                      \
            zrlLogger_->info("[{} {}: {}] " format,                                    \
                             ::zrl::log::SourceBaseName(__FILE__), __FUNCTION__,       \
                             __LINE__ __VA_OPT__(, ) __VA_ARGS__);                     \
        }                                                                              \
    } while (0)
