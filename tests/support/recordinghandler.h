// An info handler that records every delivery, for end-to-end tests.
#pragma once

#include <string>
#include <vector>

#include "exifkit/host.h"

namespace exifkit::test {

// Registers itself for its lifetime. Records "begin N" for each group and
// "name=value" for each property, in delivery order.
class RecordingHandler : public InfoHandler {
public:
    RecordingHandler() { setEXIFInfoHandler(this); }
    ~RecordingHandler() override { setEXIFInfoHandler(nullptr); }
    RecordingHandler(const RecordingHandler&) = delete;
    RecordingHandler& operator=(const RecordingHandler&) = delete;

    void beginOfInfoType(int level) override { calls.push_back("begin " + std::to_string(level)); }
    void handleInfoWithName(const char* name, const char* value) override
    {
        calls.push_back(std::string(name) + "=" + value);
    }

    // The properties delivered in the group of `level` (every round).
    std::vector<std::string> group(int level) const
    {
        std::vector<std::string> out;
        bool in = false;
        for (const std::string& c : calls) {
            if (c.rfind("begin ", 0) == 0)
                in = c == "begin " + std::to_string(level);
            else if (in)
                out.push_back(c);
        }
        return out;
    }

    std::vector<std::string> calls;
};

}  // namespace exifkit::test
