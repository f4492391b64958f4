// The fatal-signal handler behind DWCrashReporter::installSignalHandler(). Everything the handler
// needs (folder, names, host, the local time offset) is prepared at installation into fixed
// buffers; the handler only formats into a stack buffer and calls open, write, close, time,
// backtrace_symbols_fd and raise.

#include "updater/DWCrashReporter.h"

#include "DWKit/NSBundle+DWExtensions.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

char s_folder[2048];
char s_name[256];
char s_version[256];
char s_host[256];
long s_utcOffset = 0;
alignas(16) char s_alternateStack[64 * 1024];

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

struct Writer
{
    char* p;
    char* end;
    void text(const char* s)
    {
        while (*s && p < end)
            *p++ = *s++;
    }
    void number(long value, int width)
    {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        unsigned long v = negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0 && n < 20);
        while (n < width && n < 20)
            digits[n++] = '0';
        if (negative && p < end)
            *p++ = '-';
        while (n > 0 && p < end)
            *p++ = digits[--n];
    }
};

const char* signalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGILL:
        return "SIGILL";
    case SIGFPE:
        return "SIGFPE";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian), without the C library.
void civilFromDays(long days, long& year, long& month, long& day)
{
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

void writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void handleFatalSignal(int signal, siginfo_t*, void*)
{
    const long seconds = static_cast<long>(::time(nullptr)) + s_utcOffset;
    long year = 0, month = 0, day = 0;
    civilFromDays(seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400, year, month, day);
    const long secondOfDay = ((seconds % 86400) + 86400) % 86400;

    char stamp[32];
    Writer date{stamp, stamp + sizeof stamp - 1};
    date.number(year, 4);
    date.text("-");
    date.number(month, 2);
    date.text("-");
    date.number(day, 2);
    date.text("-");
    date.number(secondOfDay / 3600, 2);
    date.number(secondOfDay / 60 % 60, 2);
    date.number(secondOfDay % 60, 2);
    *date.p = '\0';

    char path[sizeof s_folder + 600];
    Writer name{path, path + sizeof path - 1};
    name.text(s_folder);
    name.text("/");
    name.text(s_name);
    name.text("_");
    name.text(stamp);
    name.text("_");
    name.text(s_host);
    name.text(".crash");
    *name.p = '\0';

    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        char header[2048];
        Writer out{header, header + sizeof header};
        out.text("Process: ");
        out.text(s_name);
        out.text(" [");
        out.number(static_cast<long>(::getpid()), 1);
        out.text("]\nVersion: ");
        out.text(s_version);
        out.text("\nDate: ");
        out.text(stamp);
        out.text("\nSignal: ");
        out.number(signal, 1);
        out.text(" (");
        out.text(signalName(signal));
        out.text(")\n\nBacktrace:\n");
        writeAll(fd, header, static_cast<size_t>(out.p - header));
        void* frames[128];
        const int count = ::backtrace(frames, 128);
        ::backtrace_symbols_fd(frames, count, fd);
        ::close(fd);
    }
    // The action went back to the default on entry: the signal, pending until we return, ends
    // the process as it would have without us.
    ::raise(signal);
}

void copyInto(char* buffer, size_t size, const QByteArray& text)
{
    const size_t length = std::min(size - 1, static_cast<size_t>(text.size()));
    std::memcpy(buffer, text.constData(), length);
    buffer[length] = '\0';
}

// Keeps a name usable as one part of a file name.
QByteArray fileNamePart(QString text)
{
    text.replace(u'/', u'-').replace(u'_', u'-');
    return text.isEmpty() ? QByteArrayLiteral("unknown") : text.toUtf8();
}

} // namespace

void DWCrashReporter::installSignalHandler(const QString& name, const QString& version)
{
    const QString folder = crashLogFolder();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    copyInto(s_folder, sizeof s_folder, QFile::encodeName(folder));
    copyInto(s_name, sizeof s_name, fileNamePart(name.isEmpty() ? dw::bundleDisplayName() : name));
    copyInto(s_version, sizeof s_version, (version.isEmpty() ? dw::versionInfo() : version).toUtf8());
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    copyInto(s_host, sizeof s_host, fileNamePart(QString::fromLocal8Bit(host)));
    const time_t now = ::time(nullptr);
    struct tm local
    {};
    ::localtime_r(&now, &local);
    s_utcOffset = local.tm_gmtoff;

    // The first backtrace() loads the unwinder, which allocates: do it here, not in the handler.
    void* frames[4];
    ::backtrace(frames, 4);

    stack_t stack{};
    stack.ss_sp = s_alternateStack;
    stack.ss_size = sizeof s_alternateStack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action
    {};
    action.sa_sigaction = handleFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}
