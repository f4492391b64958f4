#include "updater/QMReleaseParser.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace {

QDateTime dateFromFeedText(const QString& text)
{
    const QString trimmed = text.trimmed();
    for (const Qt::DateFormat format : {Qt::ISODate, Qt::RFC2822Date, Qt::TextDate}) {
        const QDateTime date = QDateTime::fromString(trimmed, format);
        if (date.isValid())
            return date;
    }
    for (const QString& pattern : {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd"),
                                   QStringLiteral("MMMM d, yyyy"), QStringLiteral("d MMMM yyyy")}) {
        const QDateTime date = QDateTime::fromString(trimmed, pattern);
        if (date.isValid())
            return date;
    }
    return {};
}

} // namespace

QMReleaseParser::QMReleaseParser(QByteArray releaseData) : m_releaseData(std::move(releaseData)) {}

void QMReleaseParser::parse()
{
    QXmlStreamReader reader(m_releaseData);
    QStringList open;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = reader.name();
            m_currentCharacters.clear();
            if (name == u"Releases") {
                m_insideReleases = true;
            } else if (name == u"Release") {
                QMRelease release;
                release.applicationName = m_applicationName;
                m_releases.append(release);
                m_currentReleaseInside = m_insideReleases;
            }
            open.append(name.toString());
            break;
        }
        case QXmlStreamReader::EndElement:
            endElement(reader.name());
            m_currentCharacters.clear();
            if (!open.isEmpty())
                open.removeLast();
            break;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA() && !open.isEmpty() && !m_releases.isEmpty() && m_currentReleaseInside) {
                if (open.last() == u"Changes")
                    m_releases.last().releaseNotes = reader.text().toUtf8();
                else if (open.last() == u"UpdateConditions")
                    m_releases.last().updateConditions = reader.text().toUtf8();
            }
            m_currentCharacters += reader.text();
            break;
        default:
            break;
        }
    }
    for (QMRelease& release : m_releases)
        release.generateTitle();
}

void QMReleaseParser::endElement(QStringView name)
{
    if (name == u"Releases") {
        m_insideReleases = false;
        return;
    }
    if (name == u"AppName") {
        m_applicationName = m_currentCharacters;
        return;
    }
    if (!m_insideReleases || m_releases.isEmpty() || !m_currentReleaseInside)
        return;
    QMRelease& release = m_releases.last();
    const QString& text = m_currentCharacters;
    if (name == u"Version")
        release.versionString = text;
    else if (name == u"BundleVersion")
        release.bundleVersion = text;
    else if (name == u"Date")
        release.date = dateFromFeedText(text);
    else if (name == u"DownloadLink")
        release.fileURL = QUrl(text.trimmed());
    else if (name == u"IsBeta")
        release.isBeta = text == u"YES";
    else if (name == u"ShowOnWebsite")
        release.showOnWebsite = text == u"YES";
    else if (name == u"MinSystemVersion")
        release.minSystemVersion = text.trimmed();
    else if (name == u"SHA256")
        release.SHA256Sum = text.trimmed().toLower();
    else if (name == u"Signature")
        release.signature = text.trimmed();
}
