-- The attributes store of one eBay site, schema version 2: eBay's characteristic sets with their
-- attributes, values, defaults, presentation instructions, dependencies and validation rules, the
-- category mappings and the site-wide sets. One table per entity, columns named as the attributes;
-- a to-one relationship is a column holding the other row's id, a many-to-many relationship a join
-- table. The indexes are part of the file: stores are opened read-only.
CREATE TABLE dw_metadata (key TEXT PRIMARY KEY, value TEXT);
INSERT INTO dw_metadata (key, value) VALUES ('model', 'Attributes'), ('schemaVersion', '2');

CREATE TABLE AttributeSet (
    id INTEGER PRIMARY KEY,
    identifier INTEGER,
    name TEXT,
    siteWideAttributeSet INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX AttributeSet_identifier ON AttributeSet (identifier);
CREATE INDEX AttributeSet_siteWide ON AttributeSet (siteWideAttributeSet);

-- editType 1: never listed. visibility 1: listed in its own right; 2: only after a parent.
CREATE TABLE Attribute (
    id INTEGER PRIMARY KEY,
    identifier INTEGER,
    label TEXT,
    type INTEGER,
    editType INTEGER,
    visibility INTEGER,
    isRequired INTEGER,
    labelVisible INTEGER,
    visible INTEGER,
    messageTop TEXT,
    messageBottom TEXT,
    messageLeft TEXT,
    messageRight TEXT,
    helpText TEXT,
    defaultUnitOfMesasureFormatString TEXT,
    dateFormat TEXT,
    "set" INTEGER REFERENCES AttributeSet (id)
);
CREATE INDEX Attribute_set ON Attribute ("set", identifier);

CREATE TABLE AttributeValue (
    id INTEGER PRIMARY KEY,
    identifier INTEGER,
    name TEXT,
    displayName TEXT,
    "index" INTEGER,
    attribute INTEGER REFERENCES Attribute (id)
);
CREATE INDEX AttributeValue_attribute ON AttributeValue (attribute);

-- attribute: the parent attribute that owns the dependency.
CREATE TABLE AttributeDependency (
    id INTEGER PRIMARY KEY,
    attribute INTEGER REFERENCES Attribute (id),
    parentValue INTEGER REFERENCES AttributeValue (id),
    childAttribute INTEGER REFERENCES Attribute (id)
);
CREATE INDEX AttributeDependency_attribute ON AttributeDependency (attribute);
CREATE INDEX AttributeDependency_childAttribute ON AttributeDependency (childAttribute);
CREATE INDEX AttributeDependency_parentValue ON AttributeDependency (parentValue);

CREATE TABLE AttributeDependency_childValues (
    dependency INTEGER NOT NULL REFERENCES AttributeDependency (id),
    value INTEGER NOT NULL REFERENCES AttributeValue (id),
    PRIMARY KEY (dependency, value)
);
CREATE INDEX AttributeDependency_childValues_value ON AttributeDependency_childValues (value);

CREATE TABLE AttributeValidationRule (
    id INTEGER PRIMARY KEY,
    type INTEGER,
    length TEXT,
    precision TEXT,
    min TEXT,
    max TEXT,
    regEx TEXT,
    mask TEXT,
    seperator TEXT,
    peerAttributeID TEXT,
    attribute INTEGER REFERENCES Attribute (id)
);
CREATE INDEX AttributeValidationRule_attribute ON AttributeValidationRule (attribute);

CREATE TABLE AttributeDefault (
    id INTEGER PRIMARY KEY,
    name TEXT,
    source TEXT,
    day TEXT,
    month TEXT,
    year TEXT,
    visible INTEGER,
    displaySequence INTEGER,
    attribute INTEGER REFERENCES Attribute (id),
    value INTEGER REFERENCES AttributeValue (id)
);
CREATE INDEX AttributeDefault_attribute ON AttributeDefault (attribute);

CREATE TABLE AttributePresentationInstruction (
    id INTEGER PRIMARY KEY,
    inputType INTEGER,
    motorsVisibilityType INTEGER,
    "set" INTEGER REFERENCES AttributeSet (id),
    attribute INTEGER REFERENCES Attribute (id)
);
CREATE INDEX AttributePresentationInstruction_attribute ON AttributePresentationInstruction (attribute);

CREATE TABLE MappedCategory (id INTEGER PRIMARY KEY, categoryID INTEGER);
CREATE INDEX MappedCategory_categoryID ON MappedCategory (categoryID);
CREATE TABLE MappedCategory_sets (
    mappedCategory INTEGER NOT NULL REFERENCES MappedCategory (id),
    attributeSet INTEGER NOT NULL REFERENCES AttributeSet (id),
    PRIMARY KEY (mappedCategory, attributeSet)
);

CREATE TABLE ExcludedSiteWideSet (id INTEGER PRIMARY KEY, categoryID INTEGER);
CREATE INDEX ExcludedSiteWideSet_categoryID ON ExcludedSiteWideSet (categoryID);
CREATE TABLE ExcludedSiteWideSet_sets (
    excludedSiteWideSet INTEGER NOT NULL REFERENCES ExcludedSiteWideSet (id),
    attributeSet INTEGER NOT NULL REFERENCES AttributeSet (id),
    PRIMARY KEY (excludedSiteWideSet, attributeSet)
);

CREATE TABLE Version (
    id INTEGER PRIMARY KEY,
    characterSetsFileFormatVersion INTEGER,
    characterSetsVersion INTEGER,
    mappingFileFormatVersion INTEGER
);

-- Month names of date attributes, entries separated by ";".
CREATE TABLE GlobalSettings (
    id INTEGER PRIMARY KEY,
    monAscShort TEXT,
    monDescShort TEXT,
    monAscLong TEXT,
    monDescLong TEXT
);
