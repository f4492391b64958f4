#include "SQCategoryPathCollation_p.h"

#include <QLocale>
#include <unicode/ucol.h>
#include <unicode/uversion.h>

SQCategoryPathCollation::SQCategoryPathCollation()
{
    const QByteArray locale = QLocale().bcp47Name().toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    m_collator = ucol_open(locale.constData(), &status);
    if (U_FAILURE(status)) {
        m_collator = nullptr;
        m_identity = QStringLiteral("none");
        return;
    }
    // Secondary strength: accents count after the letters, case not at all.
    ucol_setAttribute(m_collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    UVersionInfo version;
    ucol_getVersion(m_collator, version);
    char versionText[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(version, versionText);
    m_identity =
        QStringLiteral("%1 %2 secondary numeric").arg(QString::fromLatin1(locale), QString::fromLatin1(versionText));
}

SQCategoryPathCollation::~SQCategoryPathCollation()
{
    if (m_collator)
        ucol_close(m_collator);
}

QByteArray SQCategoryPathCollation::sortKey(const QString& text) const
{
    if (!m_collator)
        return {};
    const auto* characters = reinterpret_cast<const UChar*>(text.utf16());
    QByteArray key(qsizetype(text.size()) * 2 + 16, Qt::Uninitialized);
    int32_t length = ucol_getSortKey(m_collator, characters, int32_t(text.size()),
                                     reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (length > key.size()) {
        key.resize(length);
        length = ucol_getSortKey(m_collator, characters, int32_t(text.size()), reinterpret_cast<uint8_t*>(key.data()),
                                 int32_t(key.size()));
    }
    // The key ends with a zero byte, which compares the same and is left out.
    key.resize(length > 0 ? length - 1 : 0);
    return key;
}
