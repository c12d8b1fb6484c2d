#include "web/bridge_page.h"

#include <exception>

#include "support/date_time.h"
#include "support/deployment.h"
#include "support/settings.h"
#include "support/text_file.h"

std::string BridgePageText(const std::string& generationTime, const std::string& exeFolder) {
  const std::string version = kVersion;
  const std::string lines[] = {
      "<!--",
      "  VARNO.ASP v2023.08.08.13.38",
      "  Generated: " + generationTime + " by Varno.exe v" + version,
      "  Trace: Lib.Create_VarnoASP:100",
      "  This ASP is takes parameters from the public facing html (varno.html) and calls "
      "varno.exe, passing the parameters from the html.",
      "  Refer varno-log.txt.",
      "-->",
      "",
      "<html>",
      "  <body>",
      "    <%",
      "      On Error Resume Next",
      "      response.write(\"<p><b><u>" + version + "</br></u></b>\")",
      "      response.write(\"The current system date and time is: <b>\")",
      "      response.write(Now)",
      "      response.write(\"</b></br></p>\")",
      "      response.write(\"<p>The QUERY_STRING IS: <b>\"+Server.HTMLEncode("
      "Request.ServerVariables(\"QUERY_STRING\"))+\"</b></p>\")",
      "      response.write(\"EG: <b>" + std::string(kWebSiteBaseAddress) +
          "/varno/varno.asp?JSONFile=varno.json&id=1</b><p>\")",
      "      response.write(\"Trace=1\")",
      "      Dim objShell",
      "      response.write(\" -> 2\")",
      "      Set objShell=Server.CreateObject(\"Wscript.Shell\")",
      "      response.write(\" -> 3</p>\")",
      "      ' Need to set Load User Profile = True in Application Pool",
      "      response.write(\"<p>Now calling:- <b>objshell.Run(&quotvarno.exe "
      "\"+Server.HTMLEncode(Request.ServerVariables(\"QUERY_STRING\"))+\"&quot)</b></br>\")",
      // The program is started itself, not through a command interpreter, and
      // waited for, hidden. Run expands %NAME% in its command line, so every
      // "%" of the query becomes %25, which the program decodes first; every
      // quote becomes %22, so the argument cannot be closed early. It is left
      // unclosed: a closing quote would turn a trailing backslash into a quote.
      // The run's exit status is shown, as the editor page looks for it.
      "      iExit = objshell.Run(\"\"\"" + exeFolder +
          "varno.exe\"\" \"\"\"+Replace(Replace(Request.ServerVariables(\"QUERY_STRING\"),\"%\","
          "\"%25\"),\"\"\"\",\"%22\"),0,True) : If Err.Number=0 Then "
          "response.write(\"Exit status: \" & iExit & \"<br>\")",
      "      If Err.Number<>0 Then",
      "        response.write(\"Err.Number=\" & Err.Number & \"<br>\")",
      "        response.write(\"Err.Description=\" & Err.Description & \"<br>\")",
      "      End If",
      "      set objShell=Nothing",
      "      On Error Goto 0",
      "      response.write(\"</br>Done!</p>\")",
      "    %>",
      "  </body>",
      "</html>",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

void WriteBridgePage(const std::string& exeFolder, DateTime now) {
  try {
    WriteTextFile(BridgePageText(reported::ShortDateTimeText(now), exeFolder), kBridgePageFile,
                  false, "");
  } catch (const std::exception&) {
    // A page that cannot be built or written is tried again by the next run.
  }
}
