#include "DWKit/DWMacOSXVersion.h"

#include <atomic>

namespace {

std::atomic<unsigned> s_code{DWMacOSXVersion::kDefaultSystemVersionCode};

struct Digits
{
    int tens;
    int units;
    int minor;
    int patch;
};

Digits digits()
{
    const unsigned code = s_code.load();
    return {int((code >> 12) & 0xF), int((code >> 8) & 0xF), int((code >> 4) & 0xF), int(code & 0xF)};
}

} // namespace

QString DWMacOSXVersion::systemVersion()
{
    const Digits d = digits();
    if (d.tens == 0)
        return QStringLiteral("%1.%2.%3").arg(d.units).arg(d.minor).arg(d.patch);
    return QStringLiteral("%1%2.%3.%4").arg(d.tens).arg(d.units).arg(d.minor).arg(d.patch);
}

QString DWMacOSXVersion::architecture()
{
    return QStringLiteral("Intel");
}

// Only the tens digit and the minor digit are compared: a major version 11 or later with a small
// minor answers NO, exactly as the checks always have.
bool DWMacOSXVersion::minorAtLeast(int minor)
{
    const Digits d = digits();
    return d.tens >= 1 && d.minor >= minor;
}

bool DWMacOSXVersion::OSVersionIsHigherOrEqual_10_3()
{
    return minorAtLeast(3);
}

bool DWMacOSXVersion::OSVersionIsHigherOrEqual_10_4()
{
    return minorAtLeast(4);
}

bool DWMacOSXVersion::OSVersionIsHigherOrEqual_10_5()
{
    return minorAtLeast(5);
}

bool DWMacOSXVersion::OSVersionIsHigherOrEqual_10_6()
{
    return minorAtLeast(6);
}

bool DWMacOSXVersion::OSVersionIsHigherOrEqual_10_7()
{
    return minorAtLeast(7);
}

bool DWMacOSXVersion::OSVersionIsHigherOrEqual_10_5_7()
{
    const Digits d = digits();
    if (d.tens >= 1 && d.minor >= 6)
        return true;
    return d.tens == 1 && d.units == 0 && d.minor == 5 && d.patch >= 7;
}

void DWMacOSXVersion::setSystemVersionCode(unsigned code)
{
    s_code.store(code);
}

unsigned DWMacOSXVersion::systemVersionCode()
{
    return s_code.load();
}
