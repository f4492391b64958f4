#pragma once
// One release of the program: from the update feed, or the running program itself.
//
// A plain value. Versions (build numbers and minimum system versions) are compared component by
// component as numbers, so "10.10" is above "10.9" and "215" above "99".
//
//     const QMRelease current = QMRelease::mainBundleRelease();
//     if (QMRelease::compareVersions(candidate.bundleVersion, current.bundleVersion) > 0) ...

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

namespace dw {
class Bundle;
}

struct QMRelease
{
    QString title;
    QDateTime date;
    QString applicationName;
    QByteArray releaseNotes;     // HTML
    QByteArray updateConditions; // HTML
    QString DSASignature;
    QString MD5Sum;
    QString SHA256Sum; // hex digest of the download; checked before anything is replaced
    QString signature; // Base64 signature of the download's digest by the release key (QMReleaseSignature)
    QUrl fileURL;
    QString versionString;
    QString bundleVersion;
    bool isBeta = false;
    bool showOnWebsite = false;
    QString minSystemVersion; // the lowest GNU C library version the release runs on ("" = any)

    static QMRelease mainBundleRelease();
    static QMRelease releaseFromBundle(const dw::Bundle& bundle);

    void generateTitle();
    QString description() const;

    // Negative, zero or positive as a is below, equal to or above b. Each dot-separated component
    // compares by its leading number, then by the rest of its text; a missing component counts as 0.
    static int compareVersions(const QString& a, const QString& b);
    // True when this release's build number is above the other's.
    bool isNewerBuildThan(const QMRelease& other) const;
};
