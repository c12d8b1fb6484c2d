#include "web/viewer_page.h"

#include <exception>

#include "support/date_time.h"
#include "support/deployment.h"
#include "support/settings.h"
#include "support/text_file.h"
#include "support/text_helpers.h"
#include "web/page_text.h"

namespace {

// The fixed document the hidden Cards button opens.
constexpr const char* kCardsDocument = "varnocards.pdf";

// The page as it runs in the browser. It reads the list file itself and never
// calls the program. Titles and descriptions are shown as text: an item's
// text must not become markup or script in the page of whoever opens the list.
constexpr std::string_view kPageTemplate = R"page(<!DOCTYPE html>
<!--
 Generated: @@GENERATED@@
 By: Varno.exe v@@VERSION@@
 Trace:lib.Create_GenericRSSHTML:100-->
<meta name="mobile-web-app-capable" content="yes">
<html lang="en">
<head>
<meta charset="utf-8" />
<meta name="viewport" content="width=device-width, initial-scale=1.0">
<title>VARNO - @@TITLE@@</title>
<link rel="manifest" href="varno.manifest" />
<link rel="stylesheet" href="@@STYLESHEET@@" type="text/css">
<script type="text/javascript" src="@@SCRIPT@@"></script>
<script type="text/javascript">
  var thisFileName = @@THIS_FILE@@;
  var jsonFileName = @@JSON_FILE@@;

  function nowMs() {
    return new Date().getTime();
  }

  function removeViewID() {
    Ext.Viewport.remove(Ext.getCmp('viewID'));
  }

  // A centred notice while the page is being replaced.
  function showViewID(html) {
    removeViewID();
    Ext.Viewport.add({xtype: 'panel', id: 'viewID', centered: true, html: html});
  }

  Ext.Loader.setConfig({enabled:true});

  Ext.application({
    name: 'ToolBar',
    launch: function () {
      // A row's text: the list keeps a double quote as %22, the row shows it
      // as one; the text is then shown as text, never as markup.
      Ext.util.Format.rowText = function (value) {
        return value === undefined || value === null ? '' :
            Ext.String.htmlEncode(String(value).replace(/%22/g, '"'));
      };
      console.log(thisFileName + ':Created=' + @@CREATED@@ + ', now=' +
          Ext.Date.format(new Date(), 'd/m/y H:i:s') + ' v=' + @@VERSION_SCRIPT@@ + ' (trace=25)');
      console.log(thisFileName + ":jsonFileName='" + jsonFileName + "' (trace=26)");

      var rootStore = Ext.create('Ext.data.Store', {
        // LogRec.Trace=lib.Create_GenericRSSHTML:202
        fields: ['HeadTitle', 'SortBy'],
        autoLoad: false,
        proxy: {
          type: 'ajax',
          url: jsonFileName + '?foo=' + nowMs(),
          reader: {type: 'json', rootProperty: ''}
        }
      });

      var dataStore = Ext.create('Ext.data.Store', {
        // LogRec.Trace=lib.Create_GenericRSSHTML:300
        fields: ['ID', 'Count', 'Order', 'Days', 'Active', 'Priority', 'Title', 'DisplayTitle',
                 'Description', 'Status', 'ETC', 'Notes', 'Repeat'],
        autoLoad: false,
        filters: [{property: 'Active', value: true}],
        proxy: {
          type: 'ajax',
          url: jsonFileName + '?foo=' + nowMs(),
          reader: {type: 'json', rootProperty: 'items'}
        }
      });

      Ext.create('Ext.Container', {
        id: 'myContainer',
        fullscreen: true,
        layout: 'vbox',
        items: [
          {
            xtype: 'toolbar',
            id: 'myToolbar',
            docked: 'top',
            items: [
              {xtype: 'button', id: 'cmdCards', text: 'Cards', ui: 'action-small', hidden: true,
               handler: function () {
                 window.open(@@CARDS_FILE@@ + '?foo=' + nowMs(), '_blank');
               }},
              {xtype: 'spacer'},
              {xtype: 'button', id: 'cmdToday', text: 'Today', ui: 'action-small',
               handler: function () {
                 window.open(@@TODAY_CSV_FILE@@ + '?foo=' + nowMs(), '_blank');
                 removeViewID();
               }},
              {xtype: 'button', id: 'cmdCSV', text: 'CSV', ui: 'action-small',
               handler: function () {
                 window.open(@@CSV_FILE@@ + '?foo=' + nowMs(), '_blank');
                 removeViewID();
               }},
              {xtype: 'button', id: 'cmdNew', text: 'New', ui: 'action-small',
               handler: function () {
                 window.location.href = @@EDITOR_FILE@@ + '?foo=' + nowMs();
               }},
              {xtype: 'button', id: 'cmdRefresh', text: 'Refresh', ui: 'action-small',
               handler: function () {
                 window.location.href = thisFileName + '?foo=' + nowMs();
                 showViewID('Refresh...');
               }}
            ]
          },
          {
            xtype: 'container',
            id: 'myPanel',
            flex: 1,
            layout: 'fit',
            scrollable: true,
            height: '10',
            width: '100%',
            items: [
              {xtype: 'titlebar', id: 'txtTitleBar', docked: 'top', title: @@TITLE_SCRIPT@@},
              {
                xtype: 'list',
                id: 'lstData',
                store: dataStore,
                grouped: false,
                pinHeaders: false,
                indexBar: false,
                scrollable: true,
                striped: true,
                useSimpleItems: true,
                disableSelection: false,
                loadingText: 'Loading...',
                emptyText: '<div class="leads-list-empty-text">No items loaded.</div>',
                itemTpl: '<table class="lsttbl"><tr>' +
                    '<td class="lsttbl_info" style="width:400px;vertical-align:top;">{DisplayTitle:rowText}</td>' +
                    '<td class="lsttbl_info" style="width:400px;vertical-align:top;">{Description:rowText}</td>' +
                    '</tr></table>',
                listeners: {
                  itemsingletap: function (list, index, target, record) {
                    console.log(thisFileName + ':tap ID=' + record.get('ID'));
                  },
                  itemdoubletap: function (list, index, target, record) {
                    showViewID('Loading ID ' + Ext.String.htmlEncode(String(record.get('ID'))));
                    window.location.href = @@EDITOR_FILE@@ + '?ID=' + encodeURIComponent(record.get('ID'));
                  }
                }
              }
            ]
          }
        ]
      });

      rootStore.load(function (records, operation, success) {
        var head = rootStore.first();
        if (!success || !head) return;
        Ext.getCmp('txtTitleBar').setTitle(Ext.String.htmlEncode(
            head.get('HeadTitle') + ' (SortBy ' + head.get('SortBy') + ')'));
        console.log(thisFileName + ':HeadTitle=' + head.get('HeadTitle'));
      });

      dataStore.load(function (records) {
        if (records.length > 0) {
          console.log(thisFileName + ':DisplayTitle=' + records[0].get('DisplayTitle'));
        }
        Ext.getCmp('lstData').setStore(dataStore);
      });
    }
  });
</script>
</head>
  <body>
  </body>
</html>
)page";

}  // namespace

ViewerPageNames ViewerPageNamesOf(const std::string& pageName) {
  ViewerPageNames names;
  names.thisFile = pageName;
  names.titleStem = UpperCase(ReplaceAll(pageName, "rss.html", ""));
  names.listFile = LowerCase(ReplaceAll(pageName, "rss.html", ".json"));
  names.listFile = LowerCase(ReplaceAll(names.listFile, "rss.json", ".json"));
  names.listFile = LowerCase(ReplaceAll(names.listFile, ".html", ".json"));
  names.csvFile = LowerCase(ReplaceAll(pageName, "rss.html", ".csv"));
  names.todayCsvFile = LowerCase(ReplaceAll(pageName, "rss.html", "today.csv"));
  names.editorPage = LowerCase(ReplaceAll(pageName, "rss.html", ".html"));
  return names;
}

std::string ViewerPageText(const std::string& pageName, const std::string& generationTime,
                           const std::string& createdTime) {
  const ViewerPageNames names = ViewerPageNamesOf(pageName);
  return FillPageTemplate(kPageTemplate,
                          {
                              {"GENERATED", generationTime},
                              {"VERSION", kVersion},
                              {"TITLE", HtmlText(names.titleStem)},
                              {"STYLESHEET", HtmlText(kToolkitStylesheet)},
                              {"SCRIPT", HtmlText(kToolkitScript)},
                              {"THIS_FILE", ScriptString(names.thisFile)},
                              {"JSON_FILE", ScriptString(names.listFile)},
                              {"CSV_FILE", ScriptString(names.csvFile)},
                              {"TODAY_CSV_FILE", ScriptString(names.todayCsvFile)},
                              {"EDITOR_FILE", ScriptString(names.editorPage)},
                              {"CARDS_FILE", ScriptString(kCardsDocument)},
                              {"TITLE_SCRIPT", ScriptString(HtmlText(names.titleStem))},
                              {"CREATED", ScriptString(createdTime)},
                              {"VERSION_SCRIPT", ScriptString(kVersion)},
                          });
}

void WriteViewerPage(const ListFiles& files, DateTime now) {
  try {
    WriteTextFile(ViewerPageText(files.viewerPage, reported::ShortDateTimeText(now),
                                 FormatDateTime("hh:nn:ss dd/mm/yy", now)),
                  files.viewerPage, false, "");
  } catch (const std::exception&) {
    // The next run that loads the list writes the page again.
  }
}
