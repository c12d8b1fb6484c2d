#!/usr/bin/env python3
"""Realistic to-do lists of N items for the benchmarks, the same seed giving the
same lists.

One list is drawn as plain items (title, dates, repeat, priority, active,
marked for today, public, description, notes ...) and written in three forms:
varno's list file (the layout a run rewrites), Taskwarrior's data files and a
todo.txt file, so every program works on the same N items of like sizes.

    bench/list_generator.py varno|taskwarrior|todotxt N [--seed S] [--today YYYYMMDD] DIR

writes the files of that form into DIR.
"""

import argparse
import datetime
import os
import random
import uuid

VERSION = "2025.10.3.1353"
CRLF = "\r\n"

ACTIONS = ["Dentist", "Bins out", "Call Anna", "Pay rent", "Car service", "Dinner with Sam",
           "Gym", "Renew passport", "Water the plants", "Team meeting", "School run",
           "Haircut", "Book flights", "Quarterly report", "Vet: booster jab", "Pick up parcel",
           "Order printer ink", "Review pull requests", "Plan the garden", "Birthday card"]
PLACES = ["", "", "", " at the clinic", " in town", " (online)", " with the kids",
          " before lunch", " at Harbour St 14"]
PLACEHOLDER_TAILS = ["", "", "", " %DOW% in %DTG% days", " [%RPT%]", " #%ID%",
                     " (P%PRTY%, %DAYS% nights)"]
REPEATS = ["", "", "", "", "", "1W", "2W", "1M", "3M", "1Y", "W", " 1W "]
FLAGS = ["", "", "home", "work", "1on1, ITP", "bills", "family", "health"]
STATUSES = ["", "", "open", "waiting", "in progress", "blocked on supplier"]
ETCS = ["", "", "", "30m", "2h", "1d"]
WORDS = ("the and for with from about before after invoice meeting agenda notes call "
         "email kitchen garden car school doctor ticket budget draft review print post "
         "parcel keys neighbours landlord insurance renewal train platform quote").split()


def _sentence(rng, low, high):
    words = [rng.choice(WORDS) for _ in range(rng.randint(low, high))]
    return " ".join(words).capitalize()


def draw_items(count, seed, today):
    """The items as plain dictionaries; `today` is a date."""
    rng = random.Random(seed)
    items = []
    for index in range(count):
        item_id = index + 1
        dated = rng.random() < 0.6
        due = today + datetime.timedelta(days=rng.randint(-400, 400))
        title = rng.choice(ACTIONS) + rng.choice(PLACES) + rng.choice(PLACEHOLDER_TAILS)
        if dated:
            timed = rng.random() < 0.3
            prefix = due.isoformat() + (f" {rng.randint(7, 20):02d}:{rng.choice([0, 15, 30, 45]):02d}"
                                        if timed else "")
            title = f"{prefix} {title}"
        # Descriptions from empty to a few hundred characters; some carry the
        # escapes and marks real lists hold.
        length = rng.choice([0, 0, 1, 1, 2, 3, 4, 5, 6, 12])
        description = _sentence(rng, length, length * 2) if length else ""
        if description and rng.random() < 0.15:
            description += rng.choice([" %22quoted%22", ", 50%25 off", " (%DAYS% nights)",
                                       " - see C:\\docs", " & more"])
        active = rng.random() < 0.8
        items.append({
            "ID": item_id,
            "Days": rng.choice([0, 0, 0, 1, 2, 3, 7]),
            "Active": active,
            "DoToday": today.strftime("%Y%m%d") if active and rng.random() < 0.05 else "",
            "Flags": rng.choice(FLAGS),
            "Priority": rng.choice([0, 0, 1, 2, 2, 3]),
            "Public": rng.random() < 0.1,
            "Title": title,
            "Description": description,
            "Status": rng.choice(STATUSES),
            "ETC": rng.choice(ETCS),
            "Notes": _sentence(rng, 2, 8) if rng.random() < 0.7 else "",
            "Repeat": rng.choice(REPEATS),
            "Due": due if dated else None,
        })
    return items


def _json_text(text):
    """A string value as varno's list file holds it: quotes as %22, backslashes doubled."""
    return text.replace("\\", "\\\\").replace('"', "%22")


def varno_list_text(items, name="bench"):
    def boolean(flag):
        return "true" if flag else "false"

    head = ["{",
            f'  "Updated":"09:00:00 01/10/25 by varno.exe v{VERSION}",',
            f'  "RSSOutput":"{name}rss.xml",',
            '  "Trace":"Main():8010",',
            '  "SortBy":"Order",',
            f'  "Link":"http://localhost/varno/{name}rss.html",',
            f'  "ItemLink":"http://localhost/varno/{name}.html?ID=$ID$",',
            '  "HeadTitle":"Bench",',
            f'  "NextID":{len(items) + 1},',
            '  "items":[']
    entries = []
    count = 0
    for position, item in enumerate(items):
        count += item["Active"]
        entries.append(CRLF.join([
            "  {",
            f'    "ID":{item["ID"]},',
            f'    "Count":{count},',
            f'    "Order":"{2 * (position + 1):03d}",',
            f'    "Days":{item["Days"]},',
            f'    "Active":{boolean(item["Active"])},',
            f'    "DoToday":"{item["DoToday"]}",',
            f'    "DoTodayBoolean":{boolean(item["DoToday"] != "")},',
            f'    "Flags":"{item["Flags"]}",',
            f'    "Priority":{item["Priority"]},',
            f'    "Public":{boolean(item["Public"])},',
            f'    "Title":"{_json_text(item["Title"])}",',
            f'    "DisplayTitle":"{_json_text(item["Title"])}",',
            f'    "Description":"{_json_text(item["Description"])}",',
            f'    "Status":"{item["Status"]}",',
            f'    "ETC":"{item["ETC"]}",',
            f'    "Notes":"{_json_text(item["Notes"])}",',
            f'    "Repeat":"{item["Repeat"]}"',
            "  }"]))
    if not entries:
        return CRLF.join(head) + CRLF + "]" + CRLF + "}"
    return CRLF.join(head) + CRLF + ("," + CRLF).join(entries) + "]" + CRLF + "}"


def _tw_text(text):
    # Taskwarrior's file format encodes quotes and brackets as entities.
    return (text.replace("\\", "\\\\").replace('"', "&dquot;").replace("[", "&open;")
            .replace("]", "&close;"))


def taskwarrior_files(items, today, seed):
    """pending.data and completed.data: active items pending, the others done."""
    rng = random.Random(seed + 1)
    epoch = int(datetime.datetime(today.year, today.month, today.day).timestamp())
    pending, completed = [], []
    for item in items:
        entry = epoch - rng.randint(86400, 400 * 86400)
        fields = {
            "description": _tw_text(item["Title"] + (" - " + item["Description"]
                                                     if item["Description"] else "")),
            "entry": str(entry),
            "modified": str(entry + 3600),
            "status": "pending" if item["Active"] else "completed",
            "uuid": str(uuid.UUID(int=rng.getrandbits(128), version=4)),
        }
        if item["Due"] is not None:
            due = datetime.datetime(item["Due"].year, item["Due"].month, item["Due"].day)
            fields["due"] = str(int(due.timestamp()))
        if item["Priority"]:
            fields["priority"] = "HML"[item["Priority"] - 1]
        if item["Flags"]:
            fields["tags"] = ",".join(t.strip() for t in item["Flags"].split(","))
        if item["Notes"]:
            fields["annotation_" + str(entry + 60)] = _tw_text(item["Notes"])
        if not item["Active"]:
            fields["end"] = str(entry + 7200)
        line = "[" + " ".join(f'{key}:"{fields[key]}"' for key in sorted(fields)) + "]\n"
        (pending if item["Active"] else completed).append(line)
    return {"pending.data": "".join(pending), "completed.data": "".join(completed),
            "undo.data": "", "backlog.data": ""}


def todotxt_text(items, today):
    """One line per item; done items keep their "x" line until archived."""
    lines = []
    created = (today - datetime.timedelta(days=30)).isoformat()
    for item in items:
        text = item["Title"].replace("%", "")
        if item["Description"]:
            text += " - " + item["Description"]
        if item["Flags"]:
            text += "".join(" +" + t.strip().replace(" ", "") for t in item["Flags"].split(","))
        if item["Due"] is not None:
            text += " due:" + item["Due"].isoformat()
        if item["Repeat"].strip():
            text += " rec:" + item["Repeat"].strip().lower()
        if item["Active"]:
            priority = f"({'ABC'[item['Priority'] - 1]}) " if item["Priority"] else ""
            lines.append(f"{priority}{created} {text}\n")
        else:
            lines.append(f"x {today.isoformat()} {created} {text}\n")
    return "".join(lines)


def write_files(form, count, seed, today, folder, name="bench"):
    """Writes the files of one form into `folder`; returns their names."""
    items = draw_items(count, seed, today)
    if form == "varno":
        files = {name + ".json": varno_list_text(items, name)}
    elif form == "taskwarrior":
        files = taskwarrior_files(items, today, seed)
    elif form == "todotxt":
        files = {"todo.txt": todotxt_text(items, today), "done.txt": "", "report.txt": ""}
    else:
        raise ValueError(form)
    os.makedirs(folder, exist_ok=True)
    for file_name, text in files.items():
        with open(os.path.join(folder, file_name), "w", newline="", encoding="utf-8") as f:
            f.write(text)
    return list(files)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("form", choices=["varno", "taskwarrior", "todotxt"])
    parser.add_argument("count", type=int)
    parser.add_argument("folder")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--today", help="YYYYMMDD (default: the local date)")
    options = parser.parse_args()
    today = (datetime.datetime.strptime(options.today, "%Y%m%d").date() if options.today
             else datetime.date.today())
    for name in write_files(options.form, options.count, options.seed, today, options.folder):
        print(os.path.join(options.folder, name))


if __name__ == "__main__":
    main()
