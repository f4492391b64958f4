#include "fixtures/FixtureAwkwardType.h"

QStringList FixtureAwkwardType::requiredNumberElements() const
{
    return {QStringLiteral("Quantity"), QStringLiteral("Delete")};
}
