#include "DWEBay2/types/EBayBestOfferDetailsType.h"

QStringList EBayBestOfferDetailsType::requiredNumberElements() const
{
    return {QStringLiteral("BestOfferEnabled")};
}
