#include "web/editor_page.h"

#include <exception>

#include "support/deployment.h"
#include "support/settings.h"
#include "support/text_file.h"
#include "support/text_helpers.h"
#include "web/page_text.h"

namespace {

// The page as it runs in the browser. Every change the user makes becomes one
// request to the bridge page; the value goes last so that the toolkit's own
// "_dc" parameter, which the program reads as its end, follows it.
constexpr std::string_view kPageTemplate = R"page(<!DOCTYPE html>
<!-- 
  Generated: @@GENERATED@@ by Varno.exe v@@VERSION@@
  Trace: lib.Create_GenericHTML:100
-->
<html lang="en">
<head>
<meta charset="utf-8" />
<meta name="viewport" content="width=device-width, initial-scale=1.0">
<title>@@TITLE@@</title>
<link rel="stylesheet" href="@@STYLESHEET@@" type="text/css"> <!-- This is required -->
<script type="text/javascript" src="@@SCRIPT@@"></script> <!-- This is required -->
<script type="text/javascript">
  var thisFileName = @@THIS_FILE@@;
  var jsonFileName = @@JSON_FILE@@;
  var csvFileName = @@CSV_FILE@@;
  var aspFileName = 'varno.asp';
  var viewerFileName = @@VIEWER_FILE@@;
  var url = window.location.href;
  var ID = readID();
  var bSuspendUpdates = true;
  var sValueB4 = '';
  var updatesUnderway = 0;  // sent and not yet answered

  // The "ID" parameter of the page's address, or null when there is none.
  function readID() {
    var params;
    try {
      params = Ext.Object.fromQueryString(window.location.search);
    } catch (e) {
      return null;
    }
    var value = params.ID;
    if (Ext.isArray(value)) value = value[0];
    return value === undefined ? null : value;
  }

  function nowMs() {
    return new Date().getTime();
  }

  function removeViewID() {
    Ext.Viewport.remove(Ext.getCmp('viewID'));
  }

  // A store on the list file that reads the whole document as one record.
  function loadNextID(onLoaded) {
    return Ext.create('Ext.data.Store', {
      fields: ['NextID'],
      autoLoad: true,
      proxy: {
        type: 'ajax',
        url: jsonFileName + '?foo=' + nowMs(),
        reader: {type: 'json', rootProperty: ''}
      },
      listeners: {
        load: function (store, records, successful) {
          if (successful && records.length > 0) onLoaded(records[0].get('NextID'));
        }
      }
    });
  }

  // Covers the page with a load mask, removed with removeViewID().
  function maskViewport(message) {
    Ext.Viewport.setMasked({xtype: 'loadmask', id: 'viewID', message: message});
  }

  // Why the bridge's report says a change did not reach the list, or null:
  // it shows the run's exit status, or why the program was not run. A report
  // without either (an older bridge page) says nothing either way.
  function failureOf(report) {
    var status = /Exit status: (\d+)/.exec(report);
    if (status) return status[1] === '0' ? null : 'exit status ' + status[1];
    return /Err\.Number=|ended by signal/.test(report) ? 'the program did not finish' : null;
  }

  // A change the list did not take is not left looking saved: its field is
  // framed in red and the page says so for a moment.
  function showNotSaved(field, why) {
    console.log(thisFileName + ':not saved, ' + why);
    if (field && field.setStyle) field.setStyle('border:1px solid red;');
    removeViewID();
    maskViewport('Not saved (' + why + ')');
    setTimeout(removeViewID, 3000);
  }

  // One change to the program. The browser encodes blanks and the like; a "#"
  // would cut the address, so it goes as "%23". The ID comes from the page's
  // address, which a link anywhere may set: encoded, it cannot add members
  // ("1&attribute=active") to the request.
  function sendUpdate(attribute, value, onResponse, field) {
    var address = aspFileName + '?JSONfile=' + jsonFileName + '&ID=' +
        encodeURIComponent(String(ID)) + '&attribute=' +
        attribute + '&value=' + String(value).replace(/#/g, '%23');
    console.log(thisFileName + ':update ' + address);
    // The bridge answers with its HTML report, which is not JSON: the store
    // then loads nothing and its proxy reports an exception with the answer.
    // An answer that fails (refused, lost) comes as a load without success.
    var answered = false;
    function onAnswer(why) {
      if (answered) return;
      answered = true;
      updatesUnderway--;
      if (why) showNotSaved(field, why);
    }
    updatesUnderway++;
    Ext.create('Ext.data.Store', {
      fields: ['Result'],
      autoLoad: true,
      proxy: {type: 'ajax', url: address, reader: {type: 'json', rootProperty: ''},
              listeners: {exception: function (proxy, response) {
                onAnswer(failureOf(response && response.responseText ? response.responseText : ''));
              }}},
      listeners: {
        load: function (store, records, successful) {
          if (onResponse) onResponse.apply(this, arguments);
          onAnswer(successful ? null : 'no answer from the server');
        }
      }
    });
  }

  // Calls `then` once every update sent has been answered, the page masked
  // meanwhile: the bridge answers when its run has rewritten the list, so
  // the list then holds them all. An update still unanswered after a minute
  // (the bridge's own limit) is waited for no longer.
  function afterUpdates(then) {
    var waited = 0;
    function check() {
      if (updatesUnderway > 0 && waited < 60000) {
        if (waited === 0) maskViewport('Updating...');
        waited += 50;
        setTimeout(check, 50);
      } else {
        removeViewID();
        then();
      }
    }
    check();
  }

  function onFieldFocus(field) {
    sValueB4 = field.getValue();
    field.setStyle(field.getValue() === '' ? 'border:1px solid blue;' : 'border:1px solid green;');
  }

  function onFieldKeyUp(field) {
    if (field.getValue() === '') field.setStyle('border:1px solid green;');
  }

  // The handlers of a text field that sends `attribute` when it is left.
  function textListeners(attribute, removeOnResponse, onlyWhenChanged) {
    return {
      focus: onFieldFocus,
      keyup: onFieldKeyUp,
      blur: function (field) {
        field.setStyle('border:0;');
        if (bSuspendUpdates) return;
        if (onlyWhenChanged && field.getValue() === sValueB4) return;
        sendUpdate(attribute, field.getValue(), removeOnResponse ? removeViewID : null, field);
        removeViewID();
      }
    };
  }

  function onActiveChange(field, newValue) {
    if (bSuspendUpdates) return;
    var value = newValue == 1 ? 'true' : 'false';
    removeViewID();
    maskViewport('Updating...');
    sendUpdate('active', value, null, field);
    removeViewID();
  }

  function onPublicChange(field) {
    if (bSuspendUpdates) return;
    sendUpdate('public', field.getValue() == 0 ? 'false' : 'true', null, field);
    removeViewID();
  }

  // Sets a field with its events held back and then dropped, so that filling
  // the form sends nothing.
  function fillField(id, value) {
    var field = Ext.getCmp(id);
    if (!field) return;
    field.suspendEvents();
    field.setValue(value);
    field.resumeEvents(true);
  }

  function textOf(value) {
    return value === undefined || value === null ? '' : String(value);
  }

  function fillForm(records) {
    // A text "0" and an empty text count as 0 too; null does not.
    if (ID == 0) {
      fillField('txtID', ID);
      fillField('txtTitle', Ext.Date.format(new Date(), 'Y-m-d') + ' %DOW% [%DTG%]  (ID:%ID%,R:%RPT%)');
      fillField('txtDescription', '');
      fillField('txtRepeat', '');
      fillField('togActive', true);
      fillField('togPublic', false);
      return;
    }
    var matched = false;
    for (var i = 0; i < records.length; i++) {
      var item = records[i];
      if (item.get('ID') != ID) continue;
      matched = true;
      fillField('txtID', ID);
      fillField('txtOrder', textOf(item.get('Order')));
      fillField('togActive', item.get('Active'));
      fillField('txtTitle', textOf(item.get('Title')));
      fillField('txtDescription', textOf(item.get('Description')).replace(/%22/g, '"'));
      fillField('txtDays', textOf(item.get('Days')));
      fillField('txtLink', textOf(item.get('Link')));
      fillField('txtRepeat', textOf(item.get('Repeat')));
      fillField('togPublic', item.get('Public'));
      fillField('txtFlags', textOf(item.get('Flags')));
      fillField('txtPriority', textOf(item.get('Priority')));
    }
    // No such item yet: the first change adds it, and an added item is private.
    if (!matched) fillField('togPublic', false);
  }

  Ext.Loader.setConfig({enabled:true});

  Ext.application({
    name: 'ToolBar',
    launch: function () {
      console.log(thisFileName + ':(trace=25) Created=' + @@CREATED@@ + ' now=' +
          Ext.Date.format(new Date(), 'd/m/y H:i:s') + ' v=' + @@VERSION_SCRIPT@@);
      console.log(thisFileName + ':(trace=26) jsonFileName=' + jsonFileName);
      ID = readID();
      if (ID === null) {
        loadNextID(function (nextID) {
          ID = nextID;
          console.log(thisFileName + ':NextID=' + nextID);
        });
      }
      var varnoStore = Ext.create('Ext.data.Store', {
        fields: ['ID', 'Active', 'Priority', 'Title', 'Description', 'Days', 'Link', 'Order',
                 'Repeat', 'Public', 'Flags'],
        autoLoad: true,
        proxy: {
          type: 'ajax',
          url: jsonFileName + '?foo=' + nowMs(),
          reader: {type: 'json', rootProperty: 'items'}
        },
        listeners: {
          load: function (store, records, successful) {
            console.log(thisFileName + ':items loaded=' + successful);
            if (successful) fillForm(records);
          }
        }
      });
      Ext.create('Ext.Container', {
        id: 'myContainer',
        fullscreen: true,
        layout: 'vbox',
        items: [
          {
            xtype: 'container',
            id: 'myPanel',
            flex: 1,
            layout: 'vbox',
            scrollable: true,
            items: [{
              xtype: 'fieldset',
              items: [
                {xtype: 'textfield', id: 'txtID', label: 'ID', value: '', disabled: true},
                {xtype: 'togglefield', id: 'togActive', label: 'Active', value: true,
                 listeners: {change: onActiveChange}},
                {xtype: 'textfield', id: 'txtOrder', label: 'Order', value: '', hidden: true,
                 listeners: textListeners('order', true, false)},
                {xtype: 'textfield', id: 'txtTitle', label: 'Title', value: ' (ID:%ID%)',
                 listeners: textListeners('title', true, false)},
                {xtype: 'textfield', id: 'txtDescription', label: 'Description', value: '',
                 listeners: textListeners('description', false, true)},
                {xtype: 'textfield', id: 'txtDays', label: 'Duration (Nights)', value: '0',
                 listeners: textListeners('days', false, false)},
                {xtype: 'textfield', id: 'txtRepeat', label: 'Repeat', value: '',
                 listeners: textListeners('repeat', false, false)},
                {xtype: 'togglefield', id: 'togPublic', label: 'Public', value: true,
                 listeners: {change: onPublicChange}},
                {xtype: 'textfield', id: 'txtLink', label: 'Link', value: '', hidden: true,
                 listeners: textListeners('link', true, false)}@@OPTIONAL_FIELDS@@
              ]
            }]
          },
          {
            xtype: 'fieldset',
            id: 'myFieldset',
            items: [
              {xtype: 'button', id: 'btnCSV', text: 'CSV', ui: 'action', handler: function () {
                window.location.href = csvFileName + '?foo=' + nowMs();
              }},
              {xtype: 'button', id: 'btnNew', text: 'New', ui: 'action', handler: function () {
                // The field being typed in sends its text first (a tap comes
                // before the field loses the focus), and the list's NextID is
                // read only once the list holds it: read earlier, it would
                // name the item just added, and the next page would change it.
                if (document.activeElement && document.activeElement.blur) {
                  document.activeElement.blur();
                }
                afterUpdates(function () {
                  loadNextID(function (nextID) {
                    ID = nextID;
                    window.location.href = thisFileName + '?ID=' + nextID + '&foo=' + nowMs();
                  });
                });
              }},
              {xtype: 'button', id: 'btnClose', text: 'Close', ui: 'action', handler: function () {
                // Browsers keep a window open that no script opened.
                window.close();
                if (!window.closed) window.location.href = viewerFileName;
              }}
            ]
          }
        ]
      });
      bSuspendUpdates = false;
    }
  });
</script>
</head>
  <body></body>
</html>)page";

constexpr std::string_view kFlagsField = R"field(,
                {xtype: 'textfield', id: 'txtFlags', label: 'Flags (Eg 1on1, ITP)', value: '',
                 listeners: textListeners('flags', true, false)})field";

constexpr std::string_view kPriorityField = R"field(,
                {xtype: 'textfield', id: 'txtPriority', label: 'Priority (0-not set)', value: '0',
                 listeners: textListeners('priority', true, false)})field";

}  // namespace

bool EditorPageHasFlags(const std::string& pageName) {
  return !SameTextNoCase(pageName, "reminders.html") && !SameTextNoCase(pageName, "upcoming.html");
}

bool EditorPageHasPriority(const std::string& pageName) {
  return !SameTextNoCase(pageName, "upcoming.html");
}

std::string EditorPageText(const std::string& pageName, const std::string& generationTime,
                           const std::string& createdTime) {
  const std::string stem = EditorPageStem(pageName);
  std::string optionalFields;
  if (EditorPageHasFlags(pageName)) optionalFields += kFlagsField;
  if (EditorPageHasPriority(pageName)) optionalFields += kPriorityField;
  return FillPageTemplate(kPageTemplate, {
                                             {"GENERATED", generationTime},
                                             {"VERSION", kVersion},
                                             {"TITLE", HtmlText(stem)},
                                             {"STYLESHEET", HtmlText(kToolkitStylesheet)},
                                             {"SCRIPT", HtmlText(kToolkitScript)},
                                             {"THIS_FILE", ScriptString(stem + ".html")},
                                             {"JSON_FILE", ScriptString(stem + ".json")},
                                             {"CSV_FILE", ScriptString(stem + ".csv")},
                                             {"VIEWER_FILE", ScriptString(stem + "rss.html")},
                                             {"CREATED", ScriptString(createdTime)},
                                             {"VERSION_SCRIPT", ScriptString(kVersion)},
                                             {"OPTIONAL_FIELDS", optionalFields},
                                         });
}

void WriteEditorPages(const ListFiles& files, DateTime now) {
  try {
    const std::string text = EditorPageText(files.editorPage, reported::ShortDateTimeText(now),
                                            FormatDateTime("hh:nn:ss dd/mm/yy", now));
    // The copies are written whatever became of the page before them.
    for (const std::string& file : files.editorPageFiles) WriteTextFile(text, file, false, "");
  } catch (const std::exception&) {
    // A page that cannot be built is tried again by the next run that misses it.
  }
}
