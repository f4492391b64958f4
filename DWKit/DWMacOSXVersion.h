#pragma once
// The system version that the program chooses its ways by.
//
// The version is one fixed code, 0x1075 (10.7.5): every "at least 10.x" question takes the
// branch that fits a current desktop. The code has four decimal digits, one per 4 bits (0xMMmp:
// tens and units of the major version, minor, patch). Tests set another code with
// setSystemVersionCode(); 0 stands for a version that could not be read (every question NO,
// "0.0.0"). Any thread.
//
//     if (DWMacOSXVersion::OSVersionIsHigherOrEqual_10_6()) ...

#include <QString>

class DWMacOSXVersion
{
public:
    static constexpr unsigned kDefaultSystemVersionCode = 0x1075;

    static QString systemVersion();
    static QString architecture();

    static bool OSVersionIsHigherOrEqual_10_3();
    static bool OSVersionIsHigherOrEqual_10_4();
    static bool OSVersionIsHigherOrEqual_10_5();
    static bool OSVersionIsHigherOrEqual_10_5_7();
    static bool OSVersionIsHigherOrEqual_10_6();
    static bool OSVersionIsHigherOrEqual_10_7();

    static void setSystemVersionCode(unsigned code);
    static unsigned systemVersionCode();

private:
    static bool minorAtLeast(int minor);
};
