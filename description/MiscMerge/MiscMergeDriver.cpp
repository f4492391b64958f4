#include "description/MiscMerge/MiscMergeDriver.h"

#include "description/MiscMerge/MiscMergeEngine.h"

#include <QScopedValueRollback>

MiscMergeDriver::MiscMergeDriver() = default;

MiscMergeDriver::~MiscMergeDriver() = default;

void MiscMergeDriver::setTemplate(std::shared_ptr<MiscMergeTemplate> mergeTemplate)
{
    if (!m_merging)
        m_template = std::move(mergeTemplate);
}

void MiscMergeDriver::setMergeData(const QVariantList& records)
{
    if (!m_merging)
        m_dataArray = records;
}

void MiscMergeDriver::setEngine(std::shared_ptr<MiscMergeEngine> engine)
{
    if (!m_merging)
        m_engine = std::move(engine);
}

std::optional<QStringList> MiscMergeDriver::doMerge()
{
    if (m_merging || !m_template || m_dataArray.isEmpty())
        return std::nullopt;
    const QScopedValueRollback merging(m_merging, true);
    // An engine made for this merge goes with it; one set by the caller stays.
    const bool ownEngine = !m_engine;
    if (ownEngine)
        m_engine = std::make_shared<MiscMergeEngine>(m_template);
    // The engine is held here too: a record's key lookup could not take it away mid-run anyway,
    // as the setters are ignored meanwhile.
    const std::shared_ptr<MiscMergeEngine> engine = m_engine;
    QStringList output;
    for (m_mergeLoopIndex = 0; m_mergeLoopIndex < m_dataArray.size(); ++m_mergeLoopIndex) {
        const QString text = engine->executeWithObject(m_dataArray.at(m_mergeLoopIndex), this);
        while (output.size() < m_mergeLoopIndex)
            output.append(QStringLiteral(""));
        output.append(text.isNull() ? QStringLiteral("") : text);
    }
    if (ownEngine)
        m_engine.reset();
    return output;
}

QVariant MiscMergeDriver::advanceRecord()
{
    if (!m_merging || m_mergeLoopIndex >= m_dataArray.size())
        return QVariant();
    ++m_mergeLoopIndex;
    return currentObject();
}

QVariant MiscMergeDriver::currentObject() const
{
    return m_mergeLoopIndex >= 0 && m_mergeLoopIndex < m_dataArray.size() ? m_dataArray.at(m_mergeLoopIndex)
                                                                          : QVariant();
}
