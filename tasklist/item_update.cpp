#include "tasklist/item_update.h"

#include "support/text_helpers.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"
#include "tasklist/title_placeholders.h"

namespace {

std::string TrueFalse(bool flag) {
  return reported::BooleanText(flag, "True", "False");
}

}  // namespace

bool SetItemAttribute(Item& item, const std::string& attribute, const std::string& value,
                      const std::string& today, DateTime now) {
  if (attribute == "active") {
    item.active = value == "true";
  } else if (attribute == "days") {
    item.days = ParseIntOr(value, 0);
  } else if (attribute == "dotoday") {
    item.doToday = value == "true" ? today : std::string();
  } else if (attribute == "description") {
    item.description = value;
  } else if (attribute == "etc") {
    item.etc = value;
  } else if (attribute == "flags") {
    item.flags = value;
  } else if (attribute == "notes") {
    item.notes = value;
  } else if (attribute == "order") {
    item.order = OrderText(ParseIntOr(value, 0));
  } else if (attribute == "priority") {
    item.priority = ParseIntOr(value, 0);
  } else if (attribute == "public") {
    item.isPublic = value == "true";
  } else if (attribute == "repeat") {
    item.repeat = UpperCase(value);
  } else if (attribute == "status") {
    item.status = value;
  } else if (attribute == "title") {
    item.title = value;
  } else {
    return false;
  }
  // A title's placeholders show other members, so any change may change it.
  if (attribute == "title" || !IsPlainTitle(item.title)) item.displayTitle = ExpandTitle(item, now);
  return true;
}

namespace {

// Trace 5500: the item at `index` takes the changed copy.
void UpdateItem(ItemList& list, size_t index, const Item& changed, const ItemChange& change,
                RunLog& log) {
  list.items[index] = changed;
  log.Report(5500, " Updating VarnoArray[" + std::to_string(index) +
                       "]. ID=" + std::to_string(changed.id) + " Title=\"" + changed.title +
                       "\" Attribute=\"" + change.attribute + "\", Value=\"" + change.value +
                       "\".");
}

// Traces 5600 to 5720: the new item goes at the end of the list.
void InsertItem(ItemList& list, const Item& added, const ItemChange& change, RunLog& log) {
  log.trace = 5600;
  const std::string before = std::to_string(list.items.size());
  log.Line("iVarnoArrayLength=" + before + " Length(VarnoArray) Before SetLength=" + before);
  list.items.emplace_back();
  const size_t index = list.items.size() - 1;
  log.Report(5620, " iVarnoArrayCount was incremented. Now=" + std::to_string(list.items.size()));
  log.Report(5700, " iRecordFoundID=-1 -> Adding item. VarnoParam.ID=" + std::to_string(added.id) +
                       " at iVarnoArrayCount-1=" + std::to_string(index) + ", Attribute=\"" +
                       change.attribute + "\", Value=\"" + change.value + "\".");
  if (added.id > list.maxId) list.maxId = added.id;
  Item& slot = list.items[index];
  slot = added;
  log.Report(5710, " VarnoParam.ID=" + std::to_string(added.id) +
                       ", VarnoParam.Active=" + TrueFalse(added.active) + ", VarnoParam.Title=\"" +
                       added.title + "\", VarnoParam.Description=\"" + added.description +
                       "\", VarnoParam.Priority=" + std::to_string(added.priority));
  log.Report(5720, " VarnoArray[" + std::to_string(index) + "].ID=" + std::to_string(slot.id) +
                       ", Active=" + TrueFalse(slot.active) + ", Title=\"" + slot.title +
                       "\", Description=\"" + slot.description +
                       "\", Priority=" + std::to_string(slot.priority));
}

}  // namespace

void UpdateOrInsertItem(ItemList& list, const ItemChange& change, const std::string& listParameter,
                        const RunClock& clock, RunLog& log) {
  // A new (empty) list takes an insertion too: only the ID guards the stage.
  log.trace = 5050;
  if (change.id <= 0) {
    log.trace = 5800;
    return;
  }

  log.trace = 5200;
  // The item as found, or a new active one with that ID.
  Item changed;
  changed.id = change.id;
  changed.active = true;
  changed.order = "00000";
  size_t foundIndex = list.items.size();
  for (size_t i = 0; i < list.items.size(); ++i) {
    if (list.items[i].id == change.id) {
      foundIndex = i;
      changed = list.items[i];
      break;
    }
  }

  log.trace = 5300;
  // A changed member may change the expansion of the title.
  changed.displayTitleCurrent = false;
  if (!SetItemAttribute(changed, change.attribute, change.value, clock.today, clock.now) &&
      !change.attribute.empty()) {
    ConsoleLine("********** Unprocessed sParam1_JSONFile=\"" + listParameter + "\"");
  }

  log.trace = 5400;
  if (foundIndex < list.items.size()) {
    UpdateItem(list, foundIndex, changed, change, log);
  } else {
    InsertItem(list, changed, change, log);
  }
  log.trace = 5800;
}
