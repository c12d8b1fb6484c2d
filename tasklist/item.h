// The to-do item and the loaded list of items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/large_room_allocator.h"
#include "tasklist/item_text.h"

// One to-do item; each field holds the list file's member of the same name.
// Its texts may refer to the loaded list file's text, which then outlives it.
struct Item {
  // The numbers and switches first, side by side: an item is smaller so.
  int32_t id = 0;
  int32_t days = 0;
  int32_t priority = 0;
  bool active = false;
  bool isPublic = false;
  // True while displayTitle is the expansion of the item as it stands, worked
  // out with the run's time once every member was read, so that writing the
  // list need not work it out again. Never read from or written to the file.
  bool displayTitleCurrent = false;
  std::string order;
  ItemText description;
  ItemText flags;
  ItemText notes;
  ItemText status;
  ItemText etc;
  ItemText title;
  ItemText displayTitle;  // derived from the title, never read from the file
  ItemText repeat;
  ItemText doToday;  // "" or the "yyyymmdd" stamp of the day it was marked for
};

// The items of a list, in their order. A long list's items are filled in once,
// when the list is loaded: on large pages, that touches far fewer pages.
using ItemArray = std::vector<Item, LargeRoomAllocator<Item>>;

// The loaded list: the items, what loading counted and the header's values.
struct ItemList {
  ItemArray items;
  int32_t recordsFromFile = 0;  // items stored by the loader
  int32_t activeRecords = 0;
  int32_t lineCount = 0;  // lines of the loaded file
  int32_t nextIdFromFile = 0;
  bool holdsNextId = false;  // a "NextID" line was read: the file is a list
  // The first line of items the loader cannot read, laid out otherwise than
  // one member per line by another program: a second item's "ID" (a list
  // written on one line), an "ID" on line 1 (never read), or an "ID" with a
  // blank before its colon in a list without any other; 0 for none.
  // Rewriting such a list loses its items.
  int32_t unreadableLine = 0;
  // The text ends as a list ends: "}" last, blanks and line ends aside, and
  // the items' array closed after the last item opened (or it holds nothing
  // else). False for a file cut short, or one that another program is still
  // writing in place: rewriting it would keep only the items before the cut.
  bool endsClosed = true;
  int32_t maxId = 0;

  std::string sortBy = "Order";
  std::string headTitle;
  std::string link;
  std::string feedLink;
  std::string itemLinkLine;  // the "ItemLink" line as read
  std::string feedName;      // the "RSSOutput" member: the feed's file name
};
