#!/usr/bin/env python3
"""Validates the files of a multi-file manifest against the 1.10.0 schemas.

usage: validate_manifest.py SCHEMA_DIR MANIFEST_DIR

Every file must parse as YAML, be valid against the schema its ManifestType
names, and use no key the schema does not define (the schemas allow unknown
keys, so that check is made here). Prints one line per problem; exit 0 when
there is none.
"""
import json
import pathlib
import sys

import jsonschema
import yaml

SCHEMAS = {
    "version": "manifest.version.1.10.0.json",
    "defaultLocale": "manifest.defaultLocale.1.10.0.json",
    "installer": "manifest.installer.1.10.0.json",
}


def resolve(schema, root):
    while "$ref" in schema:
        path = schema["$ref"].lstrip("#/").split("/")
        schema = root
        for part in path:
            schema = schema[part]
    return schema


def unknown_keys(value, schema, root, where):
    schema = resolve(schema, root)
    if isinstance(value, dict):
        properties = schema.get("properties", {})
        for key, item in value.items():
            if key not in properties:
                yield f"{where}{key}: not in the schema"
            else:
                yield from unknown_keys(item, properties[key], root, f"{where}{key}.")
    elif isinstance(value, list) and "items" in schema:
        for i, item in enumerate(value):
            yield from unknown_keys(item, schema["items"], root, f"{where}[{i}].")


def main():
    schema_dir, manifest_dir = map(pathlib.Path, sys.argv[1:3])
    problems = []
    files = sorted(manifest_dir.glob("*.yaml"))
    if len(files) != 3:
        problems.append(f"{manifest_dir}: {len(files)} manifest files, not 3")
    for path in files:
        try:
            document = yaml.safe_load(path.read_text(encoding="utf-8"))
        except yaml.YAMLError as error:
            problems.append(f"{path.name}: not YAML: {error}")
            continue
        kind = document.get("ManifestType") if isinstance(document, dict) else None
        if kind not in SCHEMAS:
            problems.append(f"{path.name}: unknown ManifestType {kind!r}")
            continue
        schema = json.loads((schema_dir / SCHEMAS[kind]).read_text(encoding="utf-8"))
        for error in jsonschema.Draft7Validator(schema).iter_errors(document):
            problems.append(f"{path.name}: {'/'.join(map(str, error.path))}: {error.message}")
        problems.extend(f"{path.name}: {p}" for p in unknown_keys(document, schema, schema, ""))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
