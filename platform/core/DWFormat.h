#pragma once
// Cocoa-style string formatting in one pass.
//
// dw::format() fills a format in the platform's string-format syntax: %@ (any value as text),
// %d %i %u %ld %lld %lu %zu %x %X %o %c, %f %e %g with flags, width and precision, %s, %%, and
// positional specifiers such as %2$@. Numbers are always written in the C locale ("12.50"),
// whatever the process locale. Arguments are consumed exactly once, so text that an argument
// brings in ("%2" inside a listing title) is never read as a specifier. A specifier without an
// argument writes nothing; extra arguments are ignored. Any thread.
//
//     dw::format("Listing %@ has %ld pictures", title, count);
//     dw::format("%.2f", 3.14159);                  // "3.14"

#include <QString>
#include <QVariant>
#include <vector>

namespace dw {

class FormatArg
{
public:
    FormatArg(const QString& v) : m_value(v) {}
    FormatArg(const char* v) : m_value(QString::fromUtf8(v)) {}
    FormatArg(const QByteArray& v) : m_value(QString::fromUtf8(v)) {}
    FormatArg(QLatin1String v) : m_value(QString(v)) {}
    FormatArg(bool v) : m_value(v) {}
    FormatArg(char v) : m_value(qlonglong(v)) {}
    FormatArg(int v) : m_value(qlonglong(v)) {}
    FormatArg(unsigned v) : m_value(qulonglong(v)) {}
    FormatArg(long v) : m_value(qlonglong(v)) {}
    FormatArg(unsigned long v) : m_value(qulonglong(v)) {}
    FormatArg(long long v) : m_value(qlonglong(v)) {}
    FormatArg(unsigned long long v) : m_value(qulonglong(v)) {}
    FormatArg(double v) : m_value(v) {}
    FormatArg(float v) : m_value(double(v)) {}
    FormatArg(const QVariant& v) : m_value(v) {}
    template<class T, class = decltype(std::declval<const T&>().toQString())>
    FormatArg(const T& v) : m_value(v.toQString())
    {}

    const QVariant& value() const { return m_value; }

private:
    QVariant m_value;
};

QString formatv(const QString& format, const std::vector<FormatArg>& args);

template<class... Args>
QString format(const QString& fmt, const Args&... args)
{
    return formatv(fmt, std::vector<FormatArg>{FormatArg(args)...});
}

// A format written in the source: a UTF-8 C string.
template<class... Args>
QString format(const char* fmt, const Args&... args)
{
    return formatv(QString::fromUtf8(fmt), std::vector<FormatArg>{FormatArg(args)...});
}

// The description of a value as %@ writes it: text as is, numbers in the C locale, booleans as
// 1/0 (as an NSNumber of a BOOL prints), lists as "(a, b)", maps as "{k = v;}", nil as "(null)".
QString describe(const QVariant& value);

} // namespace dw
