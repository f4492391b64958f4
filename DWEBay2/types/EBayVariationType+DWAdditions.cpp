#include "DWEBay2/types/EBayVariationType.h"

QStringList EBayVariationType::requiredNumberElements() const
{
    return {QStringLiteral("Quantity")};
}
