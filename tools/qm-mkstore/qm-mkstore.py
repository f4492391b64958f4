#!/usr/bin/env python3
"""qm-mkstore: writes real category-data stores.

Writes the categories store, the attributes store and the category path cache of one eBay site in
the program's own schema (resources/models/*.sql), from a JSON description or synthetically, and
optionally lays them out as the download server publishes them: gzip-compressed files with a
".version" text beside each.

    qm-mkstore --description site.json --output DIR [--server DIR] [--cache]
    qm-mkstore --synthetic 25000 --site 77 --output DIR [--server DIR] [--cache]

Output files: DIR/Categories.site<ID>.sqlite, DIR/Attributes.site<ID>.sqlite and, with --cache,
DIR/CategoryCache.sqlite. Under --server:
CategoryData/v2/Categories_v4.site<ID>.sqlite.gz, CategoryData/v2/Categories.site<ID>.version,
CharacteristicSets/v1/CharacteristicSets_v2.site<ID>.sqlite.gz and
CharacteristicSets/v1/CharacteristicSets.site<ID>.version.

The description (every key optional):
{
  "site": 77,
  "categories": {"treeVersion": 12, "fileFormatVersion": 2, "attributeDataVersion": 7,
                 "tree": [{"id": 1, "name": "Antiques", "flags": 768,
                           "conditions": [{"id": 1000, "name": "New", "index": 0}],
                           "specifics": [{"name": "Brand", "index": 0, "values": ["A", "B"]}],
                           "children": [...]}]},
  "attributes": {"characterSetsVersion": 7, "characterSetsFileFormatVersion": 1,
                 "mappingFileFormatVersion": 1,
                 "months": {"monAscShort": "Jan;Feb", ...},
                 "sets": [{"id": 100, "name": "Books", "siteWide": false, "categories": [1],
                           "attributes": [{"id": 10, "label": "Author", "visibility": 1,
                                           "editType": 0, "inputType": 1,
                                           "default": {"displaySequence": 0, "value": 5},
                                           "values": [{"id": 5, "name": "X", "index": 0}],
                                           "rules": [{"type": 3, "min": "1", "max": "2"}],
                                           "dependencies": [{"parentValue": 5, "child": 11,
                                                             "childValues": [7]}]}]}],
                 "excluded": [{"category": 1, "sets": [100]}]}
}
Attributes without "inputType" get a presentation instruction of input type 1 unless
"presentation" is false; its Motors visibility type is "motorsVisibility" (0 without it). An
attribute with "labelVisible": null has no such flag at all.
"""
import argparse
import gzip
import json
import os
import random
import sqlite3
import sys
import uuid

CHEVRON = " \u203a "
# The build's copy knows the source tree; run from the source tree, the script finds it itself.
SOURCE_ROOT = "@QM_SOURCE_ROOT@"
ROOT = (SOURCE_ROOT if not SOURCE_ROOT.startswith("@")
        else os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))


def fail(message):
    print("qm-mkstore: " + message, file=sys.stderr)
    sys.exit(1)


def model(name):
    path = os.path.join(ROOT, "resources", "models", name)
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except OSError as error:
        fail("cannot read the schema %s: %s" % (path, error))


def new_store(path, schema):
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.executescript(schema)
    db.execute("INSERT OR REPLACE INTO dw_metadata (key, value) VALUES ('uuid', ?)", (str(uuid.uuid4()).upper(),))
    return db


def write_categories(path, description):
    db = new_store(path, model("Categories_v4.sql"))
    cursor = db.cursor()
    cursor.execute("INSERT INTO Category (categoryID, name, level, subcategoriesCount, booleanFlags) "
                   "VALUES (0, 'Root', 0, ?, 0)", (len(description.get("tree", [])),))
    root = cursor.lastrowid
    paths = []
    seen = set()

    def add(node, parent, level, names, ids):
        category_id = int(node["id"])
        if category_id in seen:
            fail("category %d is given twice" % category_id)
        seen.add(category_id)
        condition_set = None
        if "conditions" in node:
            cursor.execute("INSERT INTO ConditionSet DEFAULT VALUES")
            condition_set = cursor.lastrowid
            for c in node["conditions"]:
                cursor.execute('INSERT INTO Condition (identifier, "index", name, helpURL, "set") VALUES (?, ?, ?, ?, ?)',
                               (c.get("id", 0), c.get("index", 0), c.get("name"), c.get("helpURL"), condition_set))
        children = node.get("children", [])
        cursor.execute("INSERT INTO Category (categoryID, name, level, subcategoriesCount, booleanFlags, "
                       "parentCategory, conditionSet) VALUES (?, ?, ?, ?, ?, ?, ?)",
                       (category_id, node.get("name"), level, len(children), int(node.get("flags", 0)), parent,
                        condition_set))
        row = cursor.lastrowid
        for s in node.get("specifics", []):
            cursor.execute('INSERT INTO ItemSpecific (name, "index", selectionMode, valueType, variationPicture, '
                           'variationSpecific, maxValues, minValues, category) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)',
                           (s.get("name"), s.get("index", 0), s.get("selectionMode", 0), s.get("valueType", 0),
                            s.get("variationPicture", 0), s.get("variationSpecific", 0), s.get("maxValues", 1),
                            s.get("minValues", 0), row))
            specific = cursor.lastrowid
            for i, value in enumerate(s.get("values", [])):
                cursor.execute('INSERT INTO ItemSpecificValue (value, "index", confidence, itemSpecific) '
                               'VALUES (?, ?, ?, ?)', (value, i, 0, specific))
        names = names + [node.get("name") or ""]
        ids = ids + [category_id]
        paths.append((category_id, CHEVRON.join(names), "".join("/%d" % i for i in ids), not children))
        for child in children:
            add(child, row, level + 1, names, ids)

    for node in description.get("tree", []):
        add(node, root, 1, [], [])
    cursor.execute("INSERT INTO Version (treeVersion, fileFormatVersion, attributeDataVersion) VALUES (?, ?, ?)",
                   (description.get("treeVersion", 1), description.get("fileFormatVersion", 2),
                    description.get("attributeDataVersion", 1)))
    db.commit()
    db.close()
    return paths


def write_attributes(path, description):
    db = new_store(path, model("Attributes_v2.sql"))
    cursor = db.cursor()
    set_rows = {}
    attribute_rows = {}
    value_rows = {}
    pending_dependencies = []
    pending_defaults = []
    for s in description.get("sets", []):
        cursor.execute("INSERT INTO AttributeSet (identifier, name, siteWideAttributeSet) VALUES (?, ?, ?)",
                       (s["id"], s.get("name"), 1 if s.get("siteWide") else 0))
        set_row = cursor.lastrowid
        set_rows[s["id"]] = set_row
        for category in s.get("categories", []):
            found = cursor.execute("SELECT id FROM MappedCategory WHERE categoryID = ?", (category,)).fetchone()
            if found:
                mapped = found[0]
            else:
                cursor.execute("INSERT INTO MappedCategory (categoryID) VALUES (?)", (category,))
                mapped = cursor.lastrowid
            cursor.execute("INSERT OR IGNORE INTO MappedCategory_sets (mappedCategory, attributeSet) VALUES (?, ?)",
                           (mapped, set_row))
        for a in s.get("attributes", []):
            cursor.execute('INSERT INTO Attribute (identifier, label, type, editType, visibility, isRequired, '
                           'labelVisible, visible, messageTop, messageBottom, messageLeft, messageRight, helpText, '
                           'defaultUnitOfMesasureFormatString, dateFormat, "set") '
                           'VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)',
                           (a["id"], a.get("label"), a.get("type", 0), a.get("editType", 0), a.get("visibility", 1),
                            a.get("isRequired", 0), a.get("labelVisible", 1), a.get("visible", 1),
                            a.get("messageTop"), a.get("messageBottom"), a.get("messageLeft"), a.get("messageRight"),
                            a.get("helpText"), a.get("defaultUnitOfMesasureFormatString"), a.get("dateFormat"),
                            set_row))
            row = cursor.lastrowid
            attribute_rows[(s["id"], a["id"])] = row
            if a.get("presentation", True):
                cursor.execute('INSERT INTO AttributePresentationInstruction (inputType, motorsVisibilityType, "set", '
                               'attribute) VALUES (?, ?, ?, ?)', (a.get("inputType", 1), a.get("motorsVisibility", 0),
                                                                  set_row, row))
            for v in a.get("values", []):
                cursor.execute('INSERT INTO AttributeValue (identifier, name, displayName, "index", attribute) '
                               'VALUES (?, ?, ?, ?, ?)', (v["id"], v.get("name"), v.get("displayName"),
                                                           v.get("index", 0), row))
                value_rows[(row, v["id"])] = cursor.lastrowid
            for r in a.get("rules", []):
                cursor.execute("INSERT INTO AttributeValidationRule (type, length, precision, min, max, regEx, mask, "
                               "seperator, peerAttributeID, attribute) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                               (r.get("type"), r.get("length"), r.get("precision"), r.get("min"), r.get("max"),
                                r.get("regEx"), r.get("mask"), r.get("seperator"), r.get("peerAttributeID"), row))
            if "default" in a:
                pending_defaults.append((row, a["default"]))
            for d in a.get("dependencies", []):
                pending_dependencies.append((s["id"], row, d))
    for row, d in pending_defaults:
        value = value_rows.get((row, d["value"])) if "value" in d else None
        cursor.execute("INSERT INTO AttributeDefault (name, source, day, month, year, visible, displaySequence, "
                       "attribute, value) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       (d.get("name"), d.get("source"), d.get("day"), d.get("month"), d.get("year"),
                        d.get("visible", 1), d.get("displaySequence"), row, value))
    for set_id, row, d in pending_dependencies:
        child = attribute_rows.get((set_id, d["child"]))
        if child is None:
            fail("attribute %s of set %s is no attribute of the set" % (d["child"], set_id))
        cursor.execute("INSERT INTO AttributeDependency (attribute, parentValue, childAttribute) VALUES (?, ?, ?)",
                       (row, value_rows.get((row, d.get("parentValue"))), child))
        dependency = cursor.lastrowid
        for value in d.get("childValues", []):
            value_row = value_rows.get((child, value))
            if value_row is not None:
                cursor.execute("INSERT OR IGNORE INTO AttributeDependency_childValues (dependency, value) "
                               "VALUES (?, ?)", (dependency, value_row))
    for e in description.get("excluded", []):
        cursor.execute("INSERT INTO ExcludedSiteWideSet (categoryID) VALUES (?)", (e["category"],))
        excluded = cursor.lastrowid
        for set_id in e.get("sets", []):
            if set_id not in set_rows:
                fail("excluded set %s is not described" % set_id)
            cursor.execute("INSERT OR IGNORE INTO ExcludedSiteWideSet_sets (excludedSiteWideSet, attributeSet) "
                           "VALUES (?, ?)", (excluded, set_rows[set_id]))
    cursor.execute("INSERT INTO Version (characterSetsFileFormatVersion, characterSetsVersion, "
                   "mappingFileFormatVersion) VALUES (?, ?, ?)",
                   (description.get("characterSetsFileFormatVersion", 1), description.get("characterSetsVersion", 1),
                    description.get("mappingFileFormatVersion", 1)))
    months = description.get("months", {})
    cursor.execute("INSERT INTO GlobalSettings (monAscShort, monDescShort, monAscLong, monDescLong) "
                   "VALUES (?, ?, ?, ?)",
                   (months.get("monAscShort", "Jan;Feb;Mar;Apr;May;Jun;Jul;Aug;Sep;Oct;Nov;Dec"),
                    months.get("monDescShort", "Dec;Nov;Oct;Sep;Aug;Jul;Jun;May;Apr;Mar;Feb;Jan"),
                    months.get("monAscLong", "January;February;March;April;May;June;July;August;September;"
                                             "October;November;December"),
                    months.get("monDescLong", "December;November;October;September;August;July;June;May;April;"
                                              "March;February;January")))
    db.commit()
    db.close()


def write_cache(path, site, tree_version, paths):
    exists = os.path.exists(path)
    db = sqlite3.connect(path)
    if not exists:
        db.executescript(model("CategoryCache.sql"))
        db.execute("INSERT OR REPLACE INTO dw_metadata (key, value) VALUES ('uuid', ?)", (str(uuid.uuid4()).upper(),))
    db.execute("DELETE FROM CachedCategoryPath WHERE siteID = ?", (site,))
    db.executemany("INSERT INTO CachedCategoryPath (namePath, idPath, categoryID, siteID, leaf) VALUES (?, ?, ?, ?, ?)",
                   [(names, ids, category, site, 1 if leaf else 0) for category, names, ids, leaf in paths])
    db.execute("INSERT OR REPLACE INTO dw_metadata (key, value) VALUES (?, ?)",
               ("treeVersion.site%d" % site, str(tree_version)))
    db.commit()
    db.close()


WORDS = ["Antiques", "Art", "Baby", "Books", "Cameras", "Clothing", "Coins", "Collectibles", "Computers", "Crafts",
         "Dolls", "Electronics", "Garden", "Health", "Jewellery", "Music", "Pottery", "Sports", "Stamps", "Toys",
         "Travel", "Watches", "Épée", "Café", "Äpfel", "Zubehör", "Vintage", "Modern", "Parts", "Tools"]


def synthetic(count, seed=7):
    """A tree of `count` categories (the root not counted): 30 top levels, then up to 6 levels."""
    rng = random.Random(seed)
    nodes = []
    next_id = [1]

    def make(level):
        node = {"id": next_id[0], "name": "%s %d" % (rng.choice(WORDS), next_id[0]), "flags": rng.randrange(4096),
                "children": []}
        next_id[0] += 1
        return node

    frontier = []
    for _ in range(min(30, count)):
        node = make(1)
        nodes.append(node)
        frontier.append((node, 1))
    made = len(nodes)
    while made < count:
        parent, level = frontier[rng.randrange(len(frontier))]
        if level >= 6:
            continue
        child = make(level + 1)
        parent["children"].append(child)
        frontier.append((child, level + 1))
        made += 1
    return {"tree": nodes, "treeVersion": 1}


def write_gz(path, source):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(source, "rb") as f, gzip.open(path, "wb") as out:
        out.write(f.read())


def main():
    parser = argparse.ArgumentParser(description="Writes category-data stores.")
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--description", help="JSON description of the site's data")
    source.add_argument("--synthetic", type=int, metavar="N", help="a generated tree of N categories")
    parser.add_argument("--site", type=int, help="site ID (overrides the description's)")
    parser.add_argument("--output", required=True, help="folder for the store files")
    parser.add_argument("--server", help="folder laid out as the download server's /downloads")
    parser.add_argument("--cache", action="store_true", help="also write CategoryCache.sqlite")
    args = parser.parse_args()

    if args.description:
        try:
            with open(args.description, encoding="utf-8") as f:
                description = json.load(f)
        except (OSError, ValueError) as error:
            fail("cannot read %s: %s" % (args.description, error))
        if not isinstance(description, dict):
            fail("the description must be a JSON object")
    else:
        if args.synthetic < 0:
            fail("--synthetic needs a count of at least 0")
        description = {"categories": synthetic(args.synthetic)}
    site = args.site if args.site is not None else int(description.get("site", 0))
    os.makedirs(args.output, exist_ok=True)
    categories_path = os.path.join(args.output, "Categories.site%d.sqlite" % site)
    attributes_path = os.path.join(args.output, "Attributes.site%d.sqlite" % site)
    try:
        categories = description.get("categories", {})
        attributes = description.get("attributes", {})
        paths = write_categories(categories_path, categories)
        write_attributes(attributes_path, attributes)
        if args.cache:
            write_cache(os.path.join(args.output, "CategoryCache.sqlite"), site, categories.get("treeVersion", 1),
                        paths)
        if args.server:
            tree_folder = os.path.join(args.server, "CategoryData", "v2")
            sets_folder = os.path.join(args.server, "CharacteristicSets", "v1")
            write_gz(os.path.join(tree_folder, "Categories_v4.site%d.sqlite.gz" % site), categories_path)
            write_gz(os.path.join(sets_folder, "CharacteristicSets_v2.site%d.sqlite.gz" % site), attributes_path)
            with open(os.path.join(tree_folder, "Categories.site%d.version" % site), "w") as f:
                f.write(str(categories.get("treeVersion", 1)))
            with open(os.path.join(sets_folder, "CharacteristicSets.site%d.version" % site), "w") as f:
                f.write(str(attributes.get("characterSetsVersion", 1)))
    except (KeyError, TypeError, ValueError, sqlite3.Error) as error:
        fail("bad description: %s" % error)


if __name__ == "__main__":
    main()
