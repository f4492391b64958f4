#pragma once
// The program's bundle: its information dictionary (name, versions), the stand-in of the
// platform's main bundle.
//
// The main bundle's entries are compiled in: the version is the build's own (the project version
// and build number of the CMake project), so a program started from any folder, before or after
// its application object exists, knows who it is. The localized dictionary holds the display name.
// Any thread.
//
//     const QString version = dw::Bundle::mainBundle().infoDictionary().value("CFBundleVersion").toString();

#include <QString>
#include <QVariantMap>

namespace dw {

class Bundle
{
public:
    explicit Bundle(QVariantMap infoDictionary, QVariantMap localizedInfoDictionary = {});

    static const Bundle& mainBundle();

    const QVariantMap& infoDictionary() const { return m_info; }
    const QVariantMap& localizedInfoDictionary() const { return m_localizedInfo; }

private:
    QVariantMap m_info;
    QVariantMap m_localizedInfo;
};

} // namespace dw
