#include "DWKit/QMLog.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/UserDefaults.h"

#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <limits>

namespace {

constexpr int kUnread = -1;
std::atomic<int> s_level{kUnread};
std::atomic<bool> s_isApplication{true};

int readLevel()
{
    if (s_isApplication.load()) {
        const qint64 level = dw::UserDefaults::standard().integerForKey(QStringLiteral("logLevel"));
        return int(std::clamp<qint64>(level, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }
    return dw::intValue(qEnvironmentVariable("logLevel"));
}

QString methodEntry(const QString& className, const QString& selector)
{
    return QStringLiteral("[") + className + u' ' + selector + u']';
}

} // namespace

bool ShouldLog(int level)
{
    int current = s_level.load(std::memory_order_relaxed);
    if (current == kUnread) {
        // Two threads logging first together may both read the setting; the first stored value wins.
        int expected = kUnread;
        const int read = readLevel();
        current = s_level.compare_exchange_strong(expected, read) ? read : expected;
    }
    return current != 0 && current >= level;
}

bool ShouldLogMethod(const QString& className, const QString& selector)
{
    const QString entry = methodEntry(className, selector);
    const QVariantList methods = dw::UserDefaults::standard().arrayForKey(QStringLiteral("QMLogMethods"));
    for (const QVariant& method : methods)
        if (method.typeId() == QMetaType::QString && method.toString() == entry)
            return true;
    return false;
}

void QMSetLogLevel(int level)
{
    s_level.store(level);
}

void setIsNSApplication(bool isApplication)
{
    s_isApplication.store(isApplication);
}

void QMResetCachedLogLevel()
{
    s_level.store(kUnread);
}

namespace dw::detail {

void writeLog(const char* format, const std::vector<FormatArg>& args)
{
    consoleWrite(formatv(QString::fromUtf8(format), args));
}

void writeMethodLog(const QString& className, const QString& selector, const char* format,
                    const std::vector<FormatArg>& args)
{
    // The class and selector names are put in front as text, so that only the caller's format is
    // read for specifiers.
    consoleWrite(methodEntry(className, selector) + u' ' + formatv(QString::fromUtf8(format), args));
}

} // namespace dw::detail
