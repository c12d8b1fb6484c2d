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
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "support/settings.h"
#include "web/page_text.h"

namespace {

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

// The command line of one isolated run.
std::vector<std::string> UnshareCommand(const std::vector<std::string>& program) {
  std::vector<std::string> command = {kUnshare, "--net"};
  // Without root the namespace needs a user namespace of its own as well.
  if (geteuid() != 0) command.push_back("--map-root-user");
  command.push_back("--");
  command.insert(command.end(), program.begin(), program.end());
  return command;
}

struct tRunOutcome {
  enum Kind { kFinished, kTimedOut, kNotStarted } kind = kNotStarted;
  int status = 0;  // the exit status, or the signal for a run that was killed
  bool signalled = false;
  std::string error;  // why it did not start
};

// Starts the command directly (no shell), its input and output on /dev/null,
// and waits up to `waitSeconds` for it to end.
tRunOutcome RunCommand(const std::vector<std::string>& command, int waitSeconds) {
  tRunOutcome outcome;
  // A pipe closed on exec tells the parent whether exec failed, and why.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    outcome.error = std::string("pipe: ") + std::strerror(errno);
    return outcome;
  }
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child < 0) {
    outcome.error = std::string("fork: ") + std::strerror(errno);
    close(report[0]);
    close(report[1]);
    return outcome;
  }
  if (child == 0) {
    close(report[0]);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      if (null > STDERR_FILENO) close(null);
    }
    // A run that outlives the wait must not be stopped with the web request.
    setsid();
    execv(argv[0], argv.data());
    const int error = errno;
    ssize_t written = write(report[1], &error, sizeof error);
    (void)written;
    _exit(127);
  }
  close(report[1]);
  int execError = 0;
  ssize_t got;
  do {
    got = read(report[0], &execError, sizeof execError);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof execError)) {
    waitpid(child, nullptr, 0);
    outcome.error = std::string("cannot start ") + command[0] + ": " + std::strerror(execError);
    return outcome;
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) {
      outcome.kind = tRunOutcome::kFinished;
      outcome.signalled = WIFSIGNALED(status);
      outcome.status = outcome.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
      return outcome;
    }
    if (done < 0 && errno != EINTR) {
      outcome.kind = tRunOutcome::kFinished;
      outcome.status = -1;
      return outcome;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      outcome.kind = tRunOutcome::kTimedOut;
      return outcome;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Whether a private network namespace can be made here at all. unshare's own
// failure and the program's exit status 1 look alike afterwards, so it is
// tried on its own first.
bool CanIsolate(std::string& why) {
  const tRunOutcome probe = RunCommand(UnshareCommand({"/bin/true"}), kDefaultWaitSeconds);
  if (probe.kind == tRunOutcome::kFinished && !probe.signalled && probe.status == 0) return true;
  why =
      probe.kind == tRunOutcome::kNotStarted ? probe.error : "unshare --net failed on this machine";
  return false;
}

void ErrorLines(std::string& page, int number, const std::string& description) {
  page += "      Err.Number=" + std::to_string(number) + "<br>\r\n";
  page += "      Err.Description=" + HtmlText(description) + "<br>\r\n";
}

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  const std::string query = Environment("QUERY_STRING");
  const std::string folder = ProgramFolder();
  const std::string program = folder + "/varno";
  const std::string shownQuery = HtmlText(query);

  std::string page = "Content-Type: text/html\r\n\r\n";
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
  if (stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      access(program.c_str(), X_OK) != 0) {
    ErrorLines(page, 2, "There is no varno program in " + folder + "; nothing was run.");
  } else if (!CanIsolate(why)) {
    ErrorLines(page, 3, "Cannot give the run a private network (" + why + "); varno was not run.");
  } else {
    const int waitSeconds = WaitSeconds();
    const tRunOutcome outcome = RunCommand(UnshareCommand({program, query}), waitSeconds);
    if (outcome.kind == tRunOutcome::kNotStarted) {
      ErrorLines(page, 4, outcome.error + "; varno was not run.");
    } else if (outcome.kind == tRunOutcome::kTimedOut) {
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
