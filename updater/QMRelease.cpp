#include "updater/QMRelease.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "platform/core/Bundle.h"

#include <QStringList>

namespace {

// The leading digits as a number and the rest of the component ("3b2" gives 3 and "b2").
std::pair<qulonglong, QString> splitComponent(const QString& component)
{
    qsizetype digits = 0;
    while (digits < component.size() && component.at(digits).isDigit() && digits < 18)
        ++digits;
    return {component.left(digits).toULongLong(), component.mid(digits)};
}

} // namespace

QMRelease QMRelease::mainBundleRelease()
{
    return releaseFromBundle(dw::Bundle::mainBundle());
}

QMRelease QMRelease::releaseFromBundle(const dw::Bundle& bundle)
{
    QMRelease release;
    release.versionString = dw::versionString(bundle);
    release.bundleVersion = dw::bundleVersion(bundle);
    release.applicationName = dw::bundleDisplayName(bundle);
    release.generateTitle();
    return release;
}

void QMRelease::generateTitle()
{
    title = bundleVersion.isEmpty() ? QStringLiteral("%1 %2").arg(applicationName, versionString)
                                    : QStringLiteral("%1 %2 (%3)").arg(applicationName, versionString, bundleVersion);
}

QString QMRelease::description() const
{
    return QStringLiteral("%1 (date: %2)").arg(title, date.toString(Qt::ISODate));
}

int QMRelease::compareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.trimmed().split(u'.');
    const QStringList right = b.trimmed().split(u'.');
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const auto [leftNumber, leftRest] = splitComponent(i < left.size() ? left.at(i) : QString());
        const auto [rightNumber, rightRest] = splitComponent(i < right.size() ? right.at(i) : QString());
        if (leftNumber != rightNumber)
            return leftNumber < rightNumber ? -1 : 1;
        if (const int text = QString::compare(leftRest, rightRest); text != 0)
            return text < 0 ? -1 : 1;
    }
    return 0;
}

bool QMRelease::isNewerBuildThan(const QMRelease& other) const
{
    return compareVersions(bundleVersion, other.bundleVersion) > 0;
}
