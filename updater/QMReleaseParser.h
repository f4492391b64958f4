#pragma once
// Reads the update feed: a "Releases" list of "Release" elements.
//
// The reader loads no external entity and touches no network (an entity it cannot resolve is an
// error); damaged XML gives the releases read up to the damage. Any thread; one parser per feed.
//
//     QMReleaseParser parser(feedBytes);
//     parser.parse();
//     const QList<QMRelease> releases = parser.parsedReleases();

#include "updater/QMRelease.h"

#include <QByteArray>
#include <QList>

class QMReleaseParser
{
public:
    explicit QMReleaseParser(QByteArray releaseData);

    void parse();
    QList<QMRelease> parsedReleases() const { return m_releases; }
    // The last release read; null when none.
    const QMRelease* lastRelease() const { return m_releases.isEmpty() ? nullptr : &m_releases.last(); }
    QString applicationName() const { return m_applicationName; }

private:
    void endElement(QStringView name);

    QByteArray m_releaseData;
    QString m_currentCharacters;
    QList<QMRelease> m_releases;
    QString m_applicationName;
    bool m_insideReleases = false;
    bool m_currentReleaseInside = false; // the last release opened inside "Releases"
};
