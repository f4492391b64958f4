#pragma once
// The order in which the category chooser lists paths, as a seller reads them: the user's locale,
// numbers by their value ("Books 2" before "Books 10"), case ignored and accents beside their
// letters. Its sort keys compare byte by byte in the same order, so the path cache keeps them and
// reads a site's leaves already sorted. A key belongs to the collation that made it (identity()):
// another locale or another version of the collation data needs new keys. Used under the cache's
// lock.

#include <QByteArray>
#include <QString>

struct UCollator;

class SQCategoryPathCollation
{
public:
    // For the user's locale (QLocale()).
    SQCategoryPathCollation();
    ~SQCategoryPathCollation();
    SQCategoryPathCollation(const SQCategoryPathCollation&) = delete;
    SQCategoryPathCollation& operator=(const SQCategoryPathCollation&) = delete;

    // The locale and the collation's version: equal identities make equal keys.
    const QString& identity() const { return m_identity; }
    // The sort key of a text; empty when no collation could be opened (paths then keep the order
    // the store gives them).
    QByteArray sortKey(const QString& text) const;

private:
    UCollator* m_collator = nullptr;
    QString m_identity;
};
