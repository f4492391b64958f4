-- The category path cache: one entry per category and site with its display path ("A › B") and
-- the chain of category IDs leading to it ("/12/345"). Writable; one file for all sites.
CREATE TABLE dw_metadata (key TEXT PRIMARY KEY, value TEXT);
INSERT INTO dw_metadata (key, value) VALUES ('model', 'CategoryCache'), ('schemaVersion', '1');

CREATE TABLE CachedCategoryPath (
    id INTEGER PRIMARY KEY,
    namePath TEXT,
    idPath TEXT,
    categoryID INTEGER NOT NULL,
    siteID INTEGER NOT NULL,
    leaf INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX CachedCategoryPath_site_category ON CachedCategoryPath (siteID, categoryID);
