// The JSON reports pqstat.dll sends: one flat object per report.
#pragma once

#include <string>
#include <vector>

namespace pqstat {

struct Identity {
    int appId = 0;
    int unionId = 0;
    int level = 0;
    std::string version = "0.0.0.0";
};

// {"type":"<type>","appid":..,"unionid":..,"level":..,"version":"..","seq":..<extra>}
// `extraFields` is already JSON (",\"kind\":1"), empty for none.
std::string BuildReport(const char* type, const Identity& identity, unsigned seq,
                        const std::string& extraFields);

std::string JsonString(const std::string& text);
std::string JsonIntArray(const std::vector<int>& values);

} // namespace pqstat
