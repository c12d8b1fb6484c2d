"""Writes the fuzz targets' seed corpora into FOLDER/<target>/: the lists,
requests and titles the tests use. Usage: make_seeds.py FOLDER"""

import hashlib
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import list_layout  # noqa: E402
import test_hostile_input  # noqa: E402
import test_publishers  # noqa: E402
import test_task_list  # noqa: E402


def as_bytes(data):
    return data if isinstance(data, bytes) else data.encode("utf-8", "surrogateescape")


def lists():
    with open(os.path.join(ROOT, "examples", "home.json"), "rb") as f:
        yield f.read()
    yield test_task_list.three_items()
    yield test_hostile_input.three_items()
    yield test_publishers.list_file(test_publishers.BASIC_ITEMS)
    yield list_layout.template("listrss.xml")
    yield list_layout.list_text(list_layout.header(next_id=3), [
        list_layout.entry(1, 1, "002", "a \\u007bb\\u007d", notes="c:\\\\dir"),
        list_layout.entry(2, 1, "004", "2025-09-26 Bins %DOW%", active=False, repeat="1W")])


def requests():
    # The first byte picks the form: even for one query-string argument,
    # odd for positional arguments separated by NUL bytes.
    queries = [
        "JSONfile=list.json&ID=5&attribute=title&value=New%20title&_dc=1",
        "jsonFILE=list.json&attribute=notes&id=2&VALUE=a&b#c&_dc=1&page=1",
        "JSONfile=../list.json&ID=1&attribute=title&value=x&_dc=1",
        "JSONfile=list.json&ID=7",
    ]
    positional = [
        ["list.json", "5", "title", "New title"],
        ["list.json", "5", "title", "paid=1"],
        ["Home.JSON", "/redoid"],
        ["list.txt", "$1F", "priority", "-3"],
    ]
    for query in queries:
        yield b"\x00" + query.encode()
    for args in positional:
        yield b"\x01" + "\x00".join(args).encode()


def titles():
    source = os.path.join(ROOT, "tests", "unit", "title_placeholders_test.cpp")
    with open(source, encoding="utf-8") as f:
        text = f.read()
    for title, repeat in re.findall(r'Item\("((?:[^"\\]|\\.)*)"(?:, "([^"]*)")?\)', text):
        yield f"45933.578|7|2|3\n{title}\n{repeat}".encode()


def url_texts():
    yield b"Milk%20%26%20honey"
    yield b"%2520%E2%80%93%C2%B7%0A%44%3A"
    yield b"50%25 off, no %ZZ"


def write(folder, target, seeds):
    path = os.path.join(folder, target)
    os.makedirs(path, exist_ok=True)
    for seed in seeds:
        data = as_bytes(seed)
        with open(os.path.join(path, hashlib.sha1(data).hexdigest()), "wb") as f:
            f.write(data)


def main():
    folder = sys.argv[1]
    write(folder, "list_loader_fuzz", lists())
    write(folder, "list_round_trip_fuzz", lists())
    write(folder, "request_fuzz", requests())
    write(folder, "title_expansion_fuzz", titles())
    write(folder, "url_decode_fuzz", url_texts())


if __name__ == "__main__":
    main()
