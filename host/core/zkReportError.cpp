#include "host/core/zkReportError.h"

#include <cstdio>
#include <utility>

namespace Tam::Core {

namespace {
ZK_REPORT_ANSWER reportToStandardError(const char* file, int line, const char* message)
{
    std::fprintf(stderr, "%s(%d): %s\n", file ? file : "", line, message ? message : "");
    return ZK_REPORT_CONTINUE;
}

zkReportHandler& currentHandler()
{
    static zkReportHandler handler = reportToStandardError;
    return handler;
}
} // namespace

ZK_REPORT_ANSWER zkReportError(const char* file, int line, const char* message)
{
    try {
        return currentHandler()(file, line, message);
    } catch (...) {
        return ZK_REPORT_CONTINUE;
    }
}

zkReportHandler zkSetReportHandler(zkReportHandler handler)
{
    zkReportHandler old = std::move(currentHandler());
    currentHandler() = handler ? std::move(handler) : zkReportHandler(reportToStandardError);
    return old;
}

} // namespace Tam::Core
