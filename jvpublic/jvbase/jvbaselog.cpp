// The base logger: old-log clean-up and the daily file sink.
#include "jvbaselog.h"

#include <windows.h>
#include <shlwapi.h>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <spdlog/sinks/daily_file_sink.h>

#include "../../zrlsetup/utility/base/unique_handle.h"

CJVBaseLog& CJVBaseLog::Instance() {
    static CJVBaseLog instance;   // C++11 guarantees a thread-safe first initialisation
    return instance;
}

CJVBaseLog::~CJVBaseLog() = default;

namespace zrl::log {

void DeleteOldLogs(const std::string& folder, const std::string& baseName) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char today[MAX_PATH];
    std::snprintf(today, sizeof today, "%s_%d-%02d-%02d.log", baseName.c_str(),
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);

    WIN32_FIND_DATAA entry;
    UniqueFindHandle listing(::FindFirstFileA((folder + "\\*.*").c_str(), &entry));
    if (!listing) {
        // "搜索失败!" in GBK: standard output is invisible in a GUI process, kept for consoles.
        std::fputs("\xCB\xD1\xCB\xF7\xCA\xA7\xB0\xDC!", stdout);
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == ".." || name == today) continue;
        if (name.substr(0, name.find('_')) == baseName) {
            ::DeleteFileA((folder + "\\" + name).c_str());   // directories simply fail
        }
    } while (::FindNextFileA(listing.Get(), &entry));
}

} // namespace zrl::log

void CJVBaseLog::InitLogger(const std::string& ansiPath) {
    logger_.reset();
    char buffer[MAX_PATH] = {};
    if (ansiPath.size() >= sizeof buffer) {
        ::OutputDebugStringA("InitLogger: log path too long, logging disabled");
        return;
    }
    std::memcpy(buffer, ansiPath.data(), ansiPath.size());
    ::PathRemoveExtensionA(buffer);
    const std::string baseName = ::PathFindFileNameA(buffer);
    ::PathRemoveFileSpecA(buffer);
    zrl::log::DeleteOldLogs(buffer, baseName);

    std::shared_ptr<spdlog::sinks::daily_file_sink_mt> sink;
    try {
        sink = std::make_shared<spdlog::sinks::daily_file_sink_mt>(ansiPath, 23, 59, false);
    } catch (const spdlog::spdlog_ex& e) {
        ::OutputDebugStringA(e.what());
    } catch (...) {
        ::OutputDebugStringA("Unknown exception in InitLogger");
    }
    if (!sink) return;

    auto logger = std::make_shared<spdlog::logger>("both", sink);
    spdlog::drop("both");
    spdlog::register_logger(logger);
    logger->set_level(spdlog::level::info);
    logger->set_pattern("[%Y-%m-%d %H:%M:%S.%e] [%^%l%$] [%t] %v", spdlog::pattern_time_type::local);
    logger->flush_on(spdlog::level::info);
    logger_ = std::move(logger);
}
