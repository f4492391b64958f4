#pragma once
// Runs one template once per record of a list and collects one output text per record.
//
// Each record is the main object of its run, with the driver as the run's sender, so that a
// [[next]] command moves the driver on: the record skipped keeps an empty text, and the run's
// output lands in the slot of the record advanced to, which is not run itself ([[next]] in the last
// record's run puts its output in one slot past the records).
//
//     MiscMergeDriver driver;
//     driver.setTemplate(mergeTemplate);
//     driver.setMergeData({recordA, recordB});
//     const std::optional<QStringList> texts = driver.doMerge();   // nullopt: nothing to merge
//
// A driver without engine makes one on the template for the merge and drops it afterwards. The
// setters are ignored while a merge runs, and a merge asked for meanwhile (by a record's own key
// lookup) is refused. One thread at a time, like the engine.

#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <optional>

class MiscMergeEngine;
class MiscMergeTemplate;

class MiscMergeDriver
{
public:
    MiscMergeDriver();
    ~MiscMergeDriver();
    MiscMergeDriver(const MiscMergeDriver&) = delete;
    MiscMergeDriver& operator=(const MiscMergeDriver&) = delete;

    const std::shared_ptr<MiscMergeTemplate>& mergeTemplate() const { return m_template; }
    void setTemplate(std::shared_ptr<MiscMergeTemplate> mergeTemplate);
    const QVariantList& mergeData() const { return m_dataArray; }
    void setMergeData(const QVariantList& records);
    const std::shared_ptr<MiscMergeEngine>& engine() const { return m_engine; }
    void setEngine(std::shared_ptr<MiscMergeEngine> engine);
    bool isMerging() const { return m_merging; }

    // One text per record reached; nullopt while a merge runs, and without template or records.
    std::optional<QStringList> doMerge();
    // While merging: moves on to the next record and answers it (nil past the last); nil otherwise.
    QVariant advanceRecord();
    // The record at the current position; nil outside the records.
    QVariant currentObject() const;

private:
    std::shared_ptr<MiscMergeTemplate> m_template;
    std::shared_ptr<MiscMergeEngine> m_engine;
    QVariantList m_dataArray;
    bool m_merging = false;
    qsizetype m_mergeLoopIndex = 0;
};
