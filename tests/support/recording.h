// Test doubles that record what the library reports.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "exifkit/errors.h"

namespace exifkit::test {

// Registers itself as the warning sink for its lifetime and records every
// warning as (message, detail or "<null>") and every fatal-error reason.
class RecordingSink : public WarningSink {
public:
    RecordingSink() : previous_(setWarningSink(this)) {}
    ~RecordingSink() override { setWarningSink(previous_); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    void warning(const char* message, const char* detail) override
    {
        warnings.emplace_back(message ? message : "<null>", detail ? detail : "<null>");
    }
    void error(const char* reason) override { errors.emplace_back(reason ? reason : "<null>"); }

    // The messages alone, in order.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> out;
        for (const auto& w : warnings)
            out.push_back(w.first);
        return out;
    }
    bool has(const std::string& message, const std::string& detail = "") const
    {
        for (const auto& w : warnings)
            if (w.first == message && (detail.empty() || w.second == detail))
                return true;
        return false;
    }

    std::vector<std::pair<std::string, std::string>> warnings;
    std::vector<std::string> errors;

private:
    WarningSink* previous_;
};

}  // namespace exifkit::test
