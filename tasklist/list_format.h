// The list file's layout: the template of a new list, and the rewrite layout
// (header, one entry per item, closing). Lines end in CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/date_time.h"
#include "tasklist/item.h"

// `text` with its escapes decoded (reported::DecodeUrlText): `text` itself when it
// holds none, else the decoding, made in `room`.
std::string_view DecodeURLEscapes(std::string_view text, std::string& room);

// Appends a string value as the list file holds it: every control character
// becomes a blank, a backslash is doubled and a double quote is left out, so
// the file stays valid JSON with one member per line.
void AppendListString(std::string& out, std::string_view value);
// The Title and Description form: URL-decoded, every double quote as "%22",
// then held like any other string value.
void AppendListEncodedText(std::string& out, std::string_view value);
// Reads a held string value back: two backslashes are one, and the JSON
// escapes "\/" and "\uXXXX" (a pair of them for a character beyond U+FFFF)
// are their characters, as tools that write JSON escape them. Any other
// backslash stays: lists of older versions hold them unescaped (C:\temp).
std::string ReadListString(std::string value);

// An order number as items hold it: at least five digits, the sign in front
// of the zeros (12 is "00012", -3 is "-00003").
std::string OrderText(int32_t order);
// The same into `text`, which keeps its room.
void AssignOrderText(std::string& text, long long order);

// The text of a new list file created at `now` with feed name `feedName`.
std::string ListTemplateText(DateTime now, const std::string& feedName);

// Appends the rewrite header up to and including the "items" line, with
// "Trace" Main():`trace` and "NextID" one above the list's largest ID.
void AppendListHeader(std::string& out, const ItemList& list, DateTime now, int32_t trace);

// The values the publishing pass works out for one written entry.
struct ListEntry {
  int32_t writtenId = 0;          // the item's ID, or its position when renumbering
  int32_t count = 0;              // active items up to and including this one
  int64_t order = 0;              // 2 x (position + 1)
  std::string_view displayTitle;  // ExpandTitle of the item, worked out for this write
};
// Appends one item object; `first` tells whether an entry was written before.
void AppendListEntry(std::string& out, const Item& item, const ListEntry& entry, bool first);
// Closes the items array and the document (no line break after the final brace).
void CloseListText(std::string& out);

// More than the bytes one entry takes besides its string values (the
// layout's fixed texts, at most 327 bytes, and five numbers, at most 64):
// the room an entry is written into.
inline constexpr size_t kListEntryFixedSize = 512;
