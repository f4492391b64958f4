#include "DWEBay2/types/EBayMeasureType.h"

std::shared_ptr<EBayMeasureType> EBayMeasureType::measureTypeWithContents(const QString& contents, const QString& unit,
                                                                          const QString& measurementSystem)
{
    auto measure = measureType();
    measure->setContents(contents);
    measure->setUnit(unit);
    measure->setMeasurementSystem(measurementSystem);
    return measure;
}
