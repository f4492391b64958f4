#pragma once
// The program's bundle: its information dictionary (name, versions), the stand-in of the
// platform's main bundle.
//
// The main bundle reads "Info.plist" from the resources folder (dw::paths::resourcesFolder()) once;
// a missing or unreadable file leaves the built-in name "QuillmartVodar". The localized
// dictionary holds the entries that a translation overrides (empty until there are any). Any thread.
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
