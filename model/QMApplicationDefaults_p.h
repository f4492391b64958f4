#pragma once
// The registered defaults compiled at build time from the property lists in resources/
// (tools/generate-compiled-defaults): each list's exact bytes and a function that builds its
// values. registerApplicationDefaults() takes the values from here when the resource file still
// holds those bytes, and parses the file otherwise.

#include <QByteArrayView>
#include <QVariantMap>
#include <span>

struct QMCompiledDefaults
{
    const char* fileName; // as in the resources folder, e.g. "defaults.plist"
    QByteArrayView source;
    QVariantMap (*values)();
};

std::span<const QMCompiledDefaults> compiledDefaults();
