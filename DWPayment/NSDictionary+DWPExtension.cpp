#include "DWPayment/NSDictionary+DWPExtension.h"

#include "platform/core/DWAssert.h"

#include <QLocale>
#include <QRegularExpression>

namespace dw {

namespace {

// "self LIKE[c] pattern": the whole key matches, "*" any run, "?" any one character.
bool isLike(const QString& key, const QString& pattern)
{
    QString expression;
    for (QChar c : pattern) {
        if (c == u'*')
            expression += QLatin1String(".*");
        else if (c == u'?')
            expression += u'.';
        else
            expression += QRegularExpression::escape(QString(c));
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(expression),
                                QRegularExpression::CaseInsensitiveOption |
                                    QRegularExpression::DotMatchesEverythingOption);
    return re.match(key).hasMatch();
}

QString languageForm(QString name)
{
    name = name.section(u'.', 0, 0).section(u'@', 0, 0);
    return name.replace(u'_', u'-');
}

} // namespace

QVariant localizedObjectForKey(const QVariantMap& dictionary, const QString& key, const QString& isoCode,
                               bool returnNilForUnsupportedLanguage)
{
    DW_ASSERT(!key.isNull(), "Invalid parameter not satisfying: aKey");
    DW_ASSERT(!isoCode.isNull(), "Invalid parameter not satisfying: isoCode");
    DW_ASSERT(isoCode.size() == 2, "Invalid parameter not satisfying: [isoCode length] == 2");
    const QVariant value = dictionary.value(key);
    if (value.typeId() != QMetaType::QVariantMap)
        return value;
    const QVariantMap variants = value.toMap();
    QVariant found;
    for (auto it = variants.cbegin(); it != variants.cend(); ++it) {
        if (isLike(it.key(), isoCode))
            found = it.value();
    }
    if (found.isValid())
        return found;
    return returnNilForUnsupportedLanguage ? QVariant() : value;
}

QVariant localizedObjectForKey(const QVariantMap& dictionary, const QString& key)
{
    for (const QString& language : preferredLanguages()) {
        if (language.size() != 2)
            continue;
        const QVariant value = localizedObjectForKey(dictionary, key, language);
        if (value.isValid())
            return value;
    }
    return localizedObjectForKey(dictionary, key, QStringLiteral("en"));
}

QStringList preferredLanguages()
{
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(name);
        if (!locale.isEmpty())
            break;
    }
    const QString form = languageForm(locale);
    if (form.isEmpty() || form == QLatin1String("C") || form == QLatin1String("POSIX"))
        return {};
    QStringList languages;
    for (const QString& entry : qEnvironmentVariable("LANGUAGE").split(u':', Qt::SkipEmptyParts))
        languages += languageForm(entry);
    const QLocale messageLocale(form);
    languages += messageLocale.uiLanguages();
    // A regional form is still its language ("de-AT" reads German texts).
    languages += QLocale::languageToCode(messageLocale.language(), QLocale::ISO639Part1);
    languages.removeDuplicates();
    return languages;
}

} // namespace dw
