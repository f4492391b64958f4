-- The categories store of one eBay site, schema version 4: eBay's category tree with each
-- category's flags, suggested item specifics and condition set. One table per entity, columns
-- named as the attributes; a to-one relationship is a column holding the other row's id. The
-- indexes are part of the file: stores are opened read-only and cannot add them later.
CREATE TABLE dw_metadata (key TEXT PRIMARY KEY, value TEXT);
INSERT INTO dw_metadata (key, value) VALUES ('model', 'Categories'), ('schemaVersion', '4');

CREATE TABLE ConditionSet (id INTEGER PRIMARY KEY);

-- booleanFlags: 1 B2BVATEnabled, 2 autoPayEnabled, 4 catalogEnabled, 8 isExpired, 16 isVirtual,
-- 32 lotSizeDisabled, 64 reservePriceAllowed, 128 sellerGuaranteeEligible, 256 supportsBestOffer,
-- 512 supportsCustomSpecifics, 1024 supportsVariations, 2048 conditionRequired.
-- The root has categoryID 0 and no parentCategory; a leaf has subcategoriesCount 0.
CREATE TABLE Category (
    id INTEGER PRIMARY KEY,
    categoryID INTEGER NOT NULL,
    name TEXT,
    level INTEGER,
    subcategoriesCount INTEGER NOT NULL DEFAULT 0,
    booleanFlags INTEGER NOT NULL DEFAULT 0,
    parentCategory INTEGER REFERENCES Category (id),
    conditionSet INTEGER REFERENCES ConditionSet (id)
);
CREATE UNIQUE INDEX Category_categoryID ON Category (categoryID);
CREATE INDEX Category_parentCategory ON Category (parentCategory);
CREATE INDEX Category_subcategoriesCount ON Category (subcategoriesCount);

CREATE TABLE Condition (
    id INTEGER PRIMARY KEY,
    identifier INTEGER,
    "index" INTEGER,
    name TEXT,
    helpURL TEXT,
    "set" INTEGER REFERENCES ConditionSet (id)
);
CREATE INDEX Condition_set ON Condition ("set");

CREATE TABLE ItemSpecific (
    id INTEGER PRIMARY KEY,
    name TEXT,
    "index" INTEGER,
    selectionMode INTEGER,
    valueType INTEGER,
    variationPicture INTEGER,
    variationSpecific INTEGER,
    maxValues INTEGER,
    minValues INTEGER,
    category INTEGER REFERENCES Category (id)
);
CREATE INDEX ItemSpecific_category ON ItemSpecific (category);

CREATE TABLE ItemSpecificValue (
    id INTEGER PRIMARY KEY,
    value TEXT,
    "index" INTEGER,
    confidence INTEGER,
    itemSpecific INTEGER REFERENCES ItemSpecific (id)
);
CREATE INDEX ItemSpecificValue_itemSpecific ON ItemSpecificValue (itemSpecific);

-- ItemSpecificValue.relationships: values related to a value (many-to-many, both ways).
CREATE TABLE ItemSpecificValue_relationships (
    source INTEGER NOT NULL REFERENCES ItemSpecificValue (id),
    target INTEGER NOT NULL REFERENCES ItemSpecificValue (id),
    PRIMARY KEY (source, target)
);

CREATE TABLE Version (
    id INTEGER PRIMARY KEY,
    treeVersion INTEGER,
    fileFormatVersion INTEGER,
    attributeDataVersion INTEGER
);
