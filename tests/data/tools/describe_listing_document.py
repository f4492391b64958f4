#!/usr/bin/env python3
"""Reads a listing document with Python's own property-list reader, as another program would, and
prints what it found as JSON: the archiver, the class names along the root, the encoding format,
the sizes of the embedded pictures and the listing's title. Standard library only."""

import json
import plistlib
import sys


def main(path):
    with open(path, "rb") as handle:
        archive = plistlib.load(handle)
    objects = archive["$objects"]

    def resolve(uid):
        return objects[uid.data]

    def class_name(entry):
        return resolve(entry["$class"])["$classname"]

    root = resolve(archive["$top"]["root"])
    elements = [resolve(uid) for uid in root["NS.objects"]]
    container = elements[0]
    item = resolve(container["item"])
    datas = resolve(container["imageFileDatas"])
    print(json.dumps({
        "archiver": archive["$archiver"],
        "root": class_name(root),
        "elements": [class_name(element) for element in elements],
        "encodingFormat": resolve(container["encodingFormat"]),
        "item": class_name(item),
        "title": resolve(item["title"]),
        "imageFileDatas": [len(resolve(uid)) for uid in datas["NS.objects"]],
    }))


if __name__ == "__main__":
    main(sys.argv[1])
