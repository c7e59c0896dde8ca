// Reports of failed internal checks. A report names the place of the check and says what went
// wrong; whoever receives it (standard error unless a handler is set) may ask for that report to
// be ignored from then on, and the caller then does not make it again.
#pragma once
#include <functional>

namespace Tam::Core {

enum ZK_REPORT_ANSWER : int {
    ZK_REPORT_CONTINUE = 0,      // reported; report it again next time
    ZK_REPORT_IGNORE_ALWAYS = 1, // reported; do not report it again in this process
};

using zkReportHandler = std::function<ZK_REPORT_ANSWER(const char* file, int line, const char* message)>;

// Hands the report to the current handler and answers what it said.
ZK_REPORT_ANSWER zkReportError(const char* file, int line, const char* message);
// Sets the handler (an empty one restores the default) and answers the one it replaces.
zkReportHandler zkSetReportHandler(zkReportHandler handler);

} // namespace Tam::Core
