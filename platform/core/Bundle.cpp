#include "platform/core/Bundle.h"

// The build defines these for this file (platform/CMakeLists.txt); a build without them is broken.
#if !defined(DW_BUNDLE_SHORT_VERSION) || !defined(DW_BUNDLE_VERSION)
#error "the build names the program's version"
#endif

namespace dw {

Bundle::Bundle(QVariantMap infoDictionary, QVariantMap localizedInfoDictionary)
    : m_info(std::move(infoDictionary)), m_localizedInfo(std::move(localizedInfoDictionary))
{}

const Bundle& Bundle::mainBundle()
{
    static const Bundle bundle({{QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.quillmart.Vodar")},
                                {QStringLiteral("CFBundleName"), QStringLiteral("QuillmartVodar")},
                                {QStringLiteral("CFBundleExecutable"), QStringLiteral("QuillmartVodar")},
                                {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(DW_BUNDLE_SHORT_VERSION)},
                                {QStringLiteral("CFBundleVersion"), QStringLiteral(DW_BUNDLE_VERSION)}},
                               {{QStringLiteral("CFBundleDisplayName"), QStringLiteral("Quillmart Vodar")}});
    return bundle;
}

} // namespace dw
