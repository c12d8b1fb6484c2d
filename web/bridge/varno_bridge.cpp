// varno-bridge: the web server's handler for "varno.asp" on Linux (a CGI
// program). It answers with the bridge page's HTML report and runs the varno
// program that lies beside the requested page, with the raw query string as its
// single argument, and waits for the run to end so that the browser's next read
// of the list sees the change.
//
// The program broadcasts a notice when it fails, so it never runs in the web
// server's own network: every run goes through "unshare --net", which gives it
// a private network namespace with no interface up. When that cannot be made,
// the program is not run at all.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/settings.h"
#include "web/page_text.h"

namespace {

using Kind = platform::ProgramOutcome::Kind;

constexpr const char* kUnshare = "/usr/bin/unshare";
constexpr int kDefaultWaitSeconds = 60;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// The folder of the requested page; this program's own folder when the server
// did not say.
std::string ProgramFolder() {
  const std::string script = Environment("SCRIPT_FILENAME");
  if (!script.empty()) return FolderOf(script);
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return ".";
  return FolderOf(std::string(buffer.data(), static_cast<size_t>(length)));
}

// This bridge's own address with an example request.
std::string ExampleAddress() {
  const std::string host = Environment("HTTP_HOST");
  const std::string script = Environment("SCRIPT_NAME");
  return "http://" + (host.empty() ? std::string("127.0.0.1:8080") : host) +
         (script.empty() ? std::string("/varno.asp") : script) + "?JSONFile=varno.json&id=1";
}

// Tests shorten the wait; anything that is not a positive number keeps 60 s.
int WaitSeconds() {
  const std::string text = Environment("VARNO_BRIDGE_WAIT_SECONDS");
  char* end = nullptr;
  const long seconds = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || seconds <= 0 || seconds > 3600) return kDefaultWaitSeconds;
  return static_cast<int>(seconds);
}

std::string NowText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", &local);
  return text;
}

// The arguments of unshare for one isolated run of `program`.
std::vector<std::string> UnshareArguments(const std::vector<std::string>& program) {
  std::vector<std::string> arguments = {"--net"};
  // Without root the namespace needs a user namespace of its own as well.
  if (geteuid() != 0) arguments.push_back("--map-root-user");
  arguments.push_back("--");
  arguments.insert(arguments.end(), program.begin(), program.end());
  return arguments;
}

// Whether a private network namespace can be made here at all. unshare's own
// failure and the program's exit status 1 look alike afterwards, so it is
// tried on its own first.
bool CanIsolate(std::string& why) {
  const platform::ProgramOutcome probe =
      platform::RunProgram(kUnshare, UnshareArguments({"/bin/true"}), kDefaultWaitSeconds);
  if (probe.kind == Kind::kFinished && !probe.signalled && probe.status == 0) return true;
  why = probe.kind == Kind::kNotStarted ? probe.error : "unshare --net failed on this machine";
  return false;
}

// The query as the browser sent it. A server may normalise QUERY_STRING
// (lighttpd decodes some escapes, writes the others in capitals and escapes
// braces and the like), which would change what the run stores; the request
// line keeps the query as typed.
std::string RawQuery() {
  const std::string uri = Environment("REQUEST_URI");
  const size_t mark = uri.find('?');
  return mark != std::string::npos ? uri.substr(mark + 1) : Environment("QUERY_STRING");
}

// Whether the browser says the request comes from a page of another site (a
// link or an image on any web page, or a page behind a name rebound to this
// machine): such a request must not change a list. Requests typed in, from a
// bookmark, from the list's own pages or from clients that do not say are
// served.
bool FromAnotherSite() {
  const std::string site = Environment("HTTP_SEC_FETCH_SITE");
  return site == "cross-site" || site == "same-site";
}

void ErrorLines(std::string& page, int number, const std::string& description) {
  page += "      Err.Number=" + std::to_string(number) + "<br>\r\n";
  page += "      Err.Description=" + HtmlText(description) + "<br>\r\n";
}

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  const std::string query = RawQuery();
  const std::string folder = ProgramFolder();
  const std::string program = folder + "/varno";
  const std::string shownQuery = HtmlText(query);

  const bool refused = FromAnotherSite();
  std::string page = refused ? "Status: 403 Forbidden\r\n" : "";
  page += "Content-Type: text/html\r\n\r\n";
  page += "<!--\r\n  varno-bridge v" + std::string(kVersion) + "\r\n";
  page += "  Runs varno beside the requested page with the query string as its argument.\r\n";
  page += "  Refer varno-log.txt.\r\n-->\r\n\r\n<html>\r\n  <body>\r\n";
  page += "    <p><b><u>" + std::string(kVersion) + "</br></u></b>";
  page += "The current system date and time is: <b>" + NowText() + "</b></br></p>\r\n";
  page += "    <p>The QUERY_STRING IS: <b>" + shownQuery + "</b></p>\r\n";
  page += "    EG: <b>" + HtmlText(ExampleAddress()) + "</b><p>";
  page += "Trace=1 -> 2 -> 3</p>\r\n";
  page += "    <p>Now calling:- <b>varno &quot;" + shownQuery + "&quot;</b></br>\r\n";

  std::string why;
  struct stat info {};
  if (refused) {
    ErrorLines(page, 5, "A request from a page of another site is refused; varno was not run.");
  } else if (stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
             access(program.c_str(), X_OK) != 0) {
    ErrorLines(page, 2, "There is no varno program in " + folder + "; nothing was run.");
  } else if (!CanIsolate(why)) {
    ErrorLines(page, 3, "Cannot give the run a private network (" + why + "); varno was not run.");
  } else {
    const int waitSeconds = WaitSeconds();
    const platform::ProgramOutcome outcome =
        platform::RunProgram(kUnshare, UnshareArguments({program, query}), waitSeconds);
    if (outcome.kind == Kind::kNotStarted) {
      ErrorLines(page, 4, outcome.error + "; varno was not run.");
    } else if (outcome.kind == Kind::kTimedOut) {
      ErrorLines(page, 1,
                 "Stopped waiting after " + std::to_string(waitSeconds) +
                     " seconds; the run goes on by itself.");
    } else if (outcome.signalled) {
      page += "      Exit status: ended by signal " + std::to_string(outcome.status) + "<br>\r\n";
    } else {
      page += "      Exit status: " + std::to_string(outcome.status) + "<br>\r\n";
    }
  }
  page += "    </br>Done!</p>\r\n  </body>\r\n</html>\r\n";
  std::cout << page << std::flush;
  return 0;
}
