#pragma once

#include "platform/DiagnosticLog.h"

#include <vector>

namespace scribeon {

class RecordingLog : public DiagnosticLog {
public:
    void write(const std::string& line) override { lines.push_back("[Scribeon] " + line); }
    std::vector<std::string> lines;
};

} // namespace scribeon
