#include "tests/printerapp/app_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

namespace apptest {
namespace {

using HttpPtr = std::unique_ptr<http_t, void (*)(http_t*)>;

// A port the system has just handed out and taken back: free unless another
// program grabs it in the next moment.
int FreePortNow() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

bool Answers(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// The sub-commands' control socket takes connections.
bool Answers(const std::string& socket_path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socket_path.c_str());
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// Ends every process whose environment holds exactly this variable: a
// private server that PAPPL started for a sub-command of this test.
void KillProcessesWith(const std::string& variable) {
  DIR* proc = opendir("/proc");
  if (!proc) return;
  while (dirent* e = readdir(proc)) {
    const pid_t pid = atoi(e->d_name);
    if (pid <= 0 || pid == getpid()) continue;
    const std::string env = testsupport::ReadText("/proc/" + std::string(e->d_name) + "/environ");
    bool found = false;
    for (size_t at = 0; at < env.size() && !found;) {
      const size_t end = std::min(env.find('\0', at), env.size());
      found = env.compare(at, end - at, variable) == 0;
      at = end + 1;
    }
    if (!found) continue;
    kill(pid, SIGKILL);
  }
  closedir(proc);
}

void AddAttribute(ipp_t* request, ipp_tag_t group, const std::string& option) {
  const size_t eq = option.find('=');
  const std::string name = option.substr(0, eq);
  const std::string value = eq == std::string::npos ? "" : option.substr(eq + 1);
  int x = 0, y = 0;
  char unit[8] = "";
  // Media types travel inside media-col, as IPP clients send them.
  if (name == "media-type") {
    ipp_t* col = ippNew();
    ippAddString(col, IPP_TAG_ZERO, IPP_TAG_KEYWORD, "media-type", nullptr, value.c_str());
    ippAddCollection(request, group, "media-col", col);
    ippDelete(col);
    return;
  }
  if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos) {
    ippAddInteger(request, group, IPP_TAG_INTEGER, name.c_str(), atoi(value.c_str()));
  } else if (sscanf(value.c_str(), "%dx%d%7s", &x, &y, unit) == 3 && std::string(unit) == "dpi") {
    ippAddResolution(request, group, name.c_str(), IPP_RES_PER_INCH, x, y);
  } else {
    ippAddString(request, group, IPP_TAG_KEYWORD, name.c_str(), nullptr, value.c_str());
  }
}

}  // namespace

int FreeLoopbackPort() { return FreePortNow(); }

std::string AppPath() { return testsupport::BuildDir() + "/bin/quillory2-printer-app"; }
std::string ToolPath() { return testsupport::BuildDir() + "/bin/quillory2"; }

std::string ArtifactDir() {
  const std::string dir = testsupport::BuildDir() + "/test-artifacts/printerapp";
  mkdir((testsupport::BuildDir() + "/test-artifacts").c_str(), 0755);
  mkdir(dir.c_str(), 0755);
  return dir;
}

double NowSeconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

AppServer::AppServer(std::vector<std::string> env, std::vector<std::string> options)
    : env_(std::move(env)), options_(std::move(options)) {}

AppServer::~AppServer() {
  Stop();
  KillProcessesWith("SNAP_COMMON=" + dir_.path());
}

std::vector<std::string> AppServer::Environment() const {
  // PAPPL puts the control socket of the sub-commands in SNAP_COMMON when it
  // is set, instead of the machine-wide /run or /tmp place.
  std::vector<std::string> env = {"SNAP_COMMON=" + dir_.path()};
  env.insert(env.end(), env_.begin(), env_.end());
  return env;
}

bool AppServer::Start() {
  if (port_ == 0) port_ = FreeLoopbackPort();
  std::vector<std::string> argv = {AppPath(),
                                   "server",
                                   "-o", "server-port=" + std::to_string(port_),
                                   "-o", "state-file=" + dir_.File("state/app.state"),
                                   "-o", "spool-directory=" + dir_.File("spool"),
                                   "-o", "log-file=" + dir_.File("server.log"),
                                   "-o", "log-level=debug"};
  for (const std::string& o : options_) {
    argv.push_back("-o");
    argv.push_back(o);
  }
  argv.insert(argv.begin(), launcher_.begin(), launcher_.end());
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  const std::vector<std::string> env = Environment();
  const std::string out = dir_.File("server.out");
  pid_ = fork();
  if (pid_ == 0) {
    freopen("/dev/null", "r", stdin);
    freopen(out.c_str(), "a", stdout);
    freopen(out.c_str(), "a", stderr);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    execv(args[0], args.data());
    _exit(127);
  }
  for (int i = 0; i < 200; ++i) {
    // Both, or a sub-command finds no server and PAPPL starts one of its own.
    if (Answers(port_) && Answers(dir_.File("quillory2-printer-app.sock"))) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Stop();
  return false;
}

void AppServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Kill();
}

void AppServer::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string AppServer::Log() const {
  return testsupport::ReadText(dir_.File("server.log")) + testsupport::ReadText(dir_.File("server.out"));
}

RunResult AppServer::Command(const std::vector<std::string>& args) const {
  // A sub-command that finds no server starts a private one of its own,
  // which would outlive the test and keep its state in the machine's
  // /var/lib: so none runs without this test's server.
  if (pid_ <= 0 || kill(pid_, 0) != 0) {
    RunResult refused;
    refused.err = "the test's server is not running";
    return refused;
  }
  std::vector<std::string> argv = {AppPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  return testsupport::RunProgram(argv, "", Environment());
}

bool AppServer::AddPrinter(const std::string& name) {
  mkdir(DeviceFolder(name).c_str(), 0755);
  return Command({"add", "-d", name, "-m", "quillory2", "-v", "file://" + DeviceFolder(name)}).exit_code == 0;
}

Bytes AppServer::PartialOutput(const std::string& name) const {
  Bytes bytes;
  if (DIR* dir = opendir(DeviceFolder(name).c_str())) {
    while (dirent* e = readdir(dir)) {
      if (strncmp(e->d_name, ".quillory2-job-", 15) == 0) {
        bytes = testsupport::ReadFile(DeviceFolder(name) + "/" + e->d_name);
      }
    }
    closedir(dir);
  }
  return bytes;
}

std::string AppServer::PrinterUri(const std::string& name) const {
  return "ipp://localhost:" + std::to_string(port_) + "/ipp/print/" + name;
}

int AppServer::Submit(const std::string& printer, const std::string& file, const std::string& format,
                      const std::string& job_name, const JobOptions& options,
                      std::string* refusal) const {
  HttpPtr http(httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 10000,
                            nullptr),
               httpClose);
  if (!http) return 0;
  ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(printer).c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "tester");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, job_name.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, format.c_str());
  for (const std::string& o : options) AddAttribute(request, IPP_TAG_JOB, o);
  ipp_t* response = cupsDoFileRequest(http.get(), request, ("/ipp/print/" + printer).c_str(), file.c_str());
  int id = 0;
  if (ipp_attribute_t* attr = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER)) {
    id = ippGetInteger(attr, 0);
  }
  if (id == 0 && refusal != nullptr) {
    *refusal = std::string(ippErrorString(cupsLastError())) + ": " + cupsLastErrorString();
  }
  ippDelete(response);
  return id;
}

std::vector<int> AppServer::SubmitAtOnce(const std::string& printer, const std::string& file,
                                         const std::string& format, const std::string& prefix,
                                         int count) const {
  std::vector<int> ids(count);
  std::mutex mutex;
  std::condition_variable go;
  bool released = false;
  std::vector<std::thread> clients;
  for (int i = 0; i < count; ++i) {
    clients.emplace_back([&, i] {
      {
        std::unique_lock<std::mutex> lock(mutex);
        go.wait(lock, [&] { return released; });
      }
      ids[i] = Submit(printer, file, format, prefix + "-" + std::to_string(i));
    });
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    released = true;
  }
  go.notify_all();
  for (std::thread& client : clients) client.join();
  return ids;
}

JobResult AppServer::Job(const std::string& printer, int id) const {
  JobResult result;
  result.id = id;
  HttpPtr http(httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 10000,
                            nullptr),
               httpClose);
  if (!http) return result;
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(printer).c_str());
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "tester");
  ipp_t* response = cupsDoRequest(http.get(), request, ("/ipp/print/" + printer).c_str());
  if (ipp_attribute_t* attr = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) {
    result.state = static_cast<ipp_jstate_t>(ippGetInteger(attr, 0));
  }
  if (ipp_attribute_t* attr = ippFindAttribute(response, "job-state-message", IPP_TAG_TEXT)) {
    result.message = ippGetString(attr, 0, nullptr);
  }
  if (ipp_attribute_t* attr = ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD)) {
    for (int i = 0; i < ippGetCount(attr); ++i) {
      result.reasons += (i ? "," : "") + std::string(ippGetString(attr, i, nullptr));
    }
  }
  ippDelete(response);
  return result;
}

JobResult AppServer::WaitJob(const std::string& printer, int id, int timeout_s) const {
  const double deadline = NowSeconds() + timeout_s;
  JobResult result;
  do {
    result = Job(printer, id);
    if (result.state >= IPP_JSTATE_CANCELED) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (NowSeconds() < deadline);
  return result;
}

JobResult AppServer::WaitJobMessage(const std::string& printer, int id, const std::string& part,
                                     int timeout_s) const {
  const double deadline = NowSeconds() + timeout_s;
  JobResult result = WaitJob(printer, id, timeout_s);
  while (result.message.find(part) == std::string::npos && NowSeconds() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    result = Job(printer, id);
  }
  return result;
}

bool AppServer::CancelJob(const std::string& printer, int id) const {
  return Command({"cancel", "-d", printer, "-j", std::to_string(id)}).exit_code == 0;
}

bool AppServer::SetDefaults(const std::string& printer, const JobOptions& defaults) const {
  std::vector<std::string> args = {"modify", "-d", printer};
  for (const std::string& d : defaults) {
    args.push_back("-o");
    args.push_back(d);
  }
  return Command(args).exit_code == 0;
}

ipp_t* AppServer::PrinterAttributes(const std::string& printer, const std::vector<std::string>& also) const {
  HttpPtr http(httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 10000,
                            nullptr),
               httpClose);
  if (!http) return nullptr;
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(printer).c_str());
  std::vector<const char*> names = {"all"};
  for (const std::string& name : also) names.push_back(name.c_str());
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", static_cast<int>(names.size()),
                nullptr, names.data());
  return cupsDoRequest(http.get(), request, ("/ipp/print/" + printer).c_str());
}

long AppServer::PeakMemoryKb() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return atol(line.c_str() + 6);
  }
  return -1;
}

Bytes EncodeWithTool(const std::string& picture, const std::vector<std::string>& flags) {
  testsupport::TempDir dir;
  std::vector<std::string> argv = {ToolPath(), "encode", picture, "-o", dir.File("job.prn")};
  argv.insert(argv.end(), flags.begin(), flags.end());
  if (testsupport::RunProgram(argv).exit_code != 0) return {};
  return testsupport::ReadFile(dir.File("job.prn"));
}

void ServedPrinterTest::SetUp() {
  ASSERT_TRUE(server_.Start()) << server_.Log();
  ASSERT_TRUE(server_.AddPrinter("disc")) << server_.Log();
}

void ServedPrinterTest::TearDown() {
  if (HasFailure()) ADD_FAILURE() << "server log:\n" << server_.Log().substr(0, 20000);
}

Bytes ServedPrinterTest::Print(const std::string& file, const std::string& format, const std::string& name,
                               const JobOptions& options, const std::string& printer) {
  const int id = server_.Submit(printer, file, format, name, options);
  EXPECT_GT(id, 0) << name;
  const JobResult job = server_.WaitJob(printer, id);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << name << ": " << job.message;
  return testsupport::ReadFile(server_.DeviceFile(printer, name));
}

}  // namespace apptest
