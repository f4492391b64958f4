-- The category path cache: one entry per category and site with its display path ("A › B") and
-- the chain of category IDs leading to it ("/12/345"). Writable; one file for all sites. Each entry
-- also keeps its path folded as leaf search compares texts and a collation key of the path, so
-- that the chooser reads a site's leaves already sorted and ready to search; the keys belong to the
-- collation named under "collation" in dw_metadata and are made again when that changes.
CREATE TABLE dw_metadata (key TEXT PRIMARY KEY, value TEXT);
INSERT INTO dw_metadata (key, value) VALUES ('model', 'CategoryCache'), ('schemaVersion', '2');

CREATE TABLE CachedCategoryPath (
    id INTEGER PRIMARY KEY,
    namePath TEXT,
    idPath TEXT,
    categoryID INTEGER NOT NULL,
    siteID INTEGER NOT NULL,
    leaf INTEGER NOT NULL DEFAULT 0,
    foldedNamePath TEXT,
    sortKey BLOB
);
CREATE UNIQUE INDEX CachedCategoryPath_site_category ON CachedCategoryPath (siteID, categoryID);
-- Covers the chooser's read of a site's leaves: the rows come from the index alone, in order.
CREATE INDEX CachedCategoryPath_leaves ON CachedCategoryPath (siteID, leaf, sortKey, namePath, categoryID, foldedNamePath);
