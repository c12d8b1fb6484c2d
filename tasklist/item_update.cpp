#include "tasklist/item_update.h"

#include "driver/progress.h"
#include "support/text_helpers.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"
#include "tasklist/title_placeholders.h"

namespace {

std::string TrueFalse(bool flag) {
  return BooleanTStr(flag, "True", "False");
}

}  // namespace

bool SetItemAttribute(tVarno& item, const std::string& attribute, const std::string& value,
                      const std::string& sToday, TDateTime now) {
  if (attribute == "active") {
    item.Active = value == "true";
  } else if (attribute == "days") {
    item.Days = StrToIntDef(value, 0);
  } else if (attribute == "dotoday") {
    item.DoToday = value == "true" ? sToday : std::string();
  } else if (attribute == "description") {
    item.Description = value;
  } else if (attribute == "etc") {
    item.ETC = value;
  } else if (attribute == "flags") {
    item.Flags = value;
  } else if (attribute == "notes") {
    item.Notes = value;
  } else if (attribute == "order") {
    item.Order = OrderText(StrToIntDef(value, 0));
  } else if (attribute == "priority") {
    item.Priority = StrToIntDef(value, 0);
  } else if (attribute == "public") {
    item.Public = value == "true";
  } else if (attribute == "repeat") {
    item.Repeat = UpperCase(value);
  } else if (attribute == "status") {
    item.Status = value;
  } else if (attribute == "title") {
    item.Title = value;
  } else {
    return false;
  }
  // A title's placeholders show other members, so any change may change it.
  if (attribute == "title" || !IsPlainTitle(item.Title)) item.DisplayTitle = ExpandTitle(item, now);
  return true;
}

void UpdateOrInsertItem(RunState& run, TDateTime now) {
  tVarnoList& list = run.List;
  tVarno& param = run.VarnoParam;
  const std::string& attribute = run.sParam3_Attribute;
  const std::string& value = run.sParam4_Value;

  // A new (empty) list takes an insertion too: only the ID guards the stage.
  run.LogRec.Trace = 5050;
  if (param.ID <= 0) {
    run.LogRec.Trace = 5800;
    return;
  }

  run.LogRec.Trace = 5200;
  list.iRecordFoundID = -1;
  for (int32_t i = 0; i < list.iVarnoArrayCount; ++i) {
    if (list.VarnoArray[static_cast<size_t>(i)].ID == param.ID) {
      list.iRecordFoundID = i;
      param = list.VarnoArray[static_cast<size_t>(i)];
      break;
    }
  }

  run.LogRec.Trace = 5300;
  // A changed member may change the expansion of the title.
  param.DisplayTitleCurrent = false;
  if (!SetItemAttribute(param, attribute, value, run.sToday, now) && !attribute.empty()) {
    ConsoleLine("********** Unprocessed sParam1_JSONFile=\"" + run.sParam1_JSONFile + "\"");
  }

  run.LogRec.Trace = 5400;
  if (list.iRecordFoundID >= 0) {
    list.VarnoArray[static_cast<size_t>(list.iRecordFoundID)] = param;
    Report(run, 5500,
           " Updating VarnoArray[" + std::to_string(list.iRecordFoundID) +
               "]. ID=" + std::to_string(param.ID) + " Title=\"" + param.Title + "\" Attribute=\"" +
               attribute + "\", Value=\"" + value + "\".");
  } else {
    run.LogRec.Trace = 5600;
    list.iVarnoArrayLength = static_cast<int32_t>(list.VarnoArray.size());
    run.LogRec.Msg =
        "iVarnoArrayLength=" + std::to_string(list.iVarnoArrayLength) +
        " Length(VarnoArray) Before SetLength=" + std::to_string(list.VarnoArray.size());
    WriteLogRec(run, true);
    ++list.iVarnoArrayCount;
    Report(run, 5620,
           " iVarnoArrayCount was incremented. Now=" + std::to_string(list.iVarnoArrayCount));
    ++list.iVarnoArrayLength;
    list.VarnoArray.resize(static_cast<size_t>(list.iVarnoArrayLength));
    const int32_t index = list.iVarnoArrayCount - 1;
    Report(run, 5700,
           " iRecordFoundID=" + std::to_string(list.iRecordFoundID) +
               " -> Adding item. VarnoParam.ID=" + std::to_string(param.ID) +
               " at iVarnoArrayCount-1=" + std::to_string(index) + ", Attribute=\"" + attribute +
               "\", Value=\"" + value + "\".");
    if (param.ID > list.iMaxID) list.iMaxID = param.ID;
    tVarno& slot = list.VarnoArray[static_cast<size_t>(index)];
    slot = param;
    Report(run, 5710,
           " VarnoParam.ID=" + std::to_string(param.ID) +
               ", VarnoParam.Active=" + TrueFalse(param.Active) + ", VarnoParam.Title=\"" +
               param.Title + "\", VarnoParam.Description=\"" + param.Description +
               "\", VarnoParam.Priority=" + std::to_string(param.Priority));
    Report(run, 5720,
           " VarnoArray[" + std::to_string(index) + "].ID=" + std::to_string(slot.ID) +
               ", Active=" + TrueFalse(slot.Active) + ", Title=\"" + slot.Title +
               "\", Description=\"" + slot.Description +
               "\", Priority=" + std::to_string(slot.Priority));
  }
  run.LogRec.Trace = 5800;
}
