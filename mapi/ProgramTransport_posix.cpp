#include "Transport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// A local sendmail hands over at once; msmtp talks to its server with its own
// timeouts. Past this the program is taken to hang and is stopped.
constexpr auto kProgramTimeLimit = std::chrono::seconds(120);
constexpr auto kPollInterval = std::chrono::milliseconds(5);

// SIMPLEMAPI_PROGRAM_TIME_LIMIT (seconds) lets the tests see a hang end in moments;
// it can only shorten the bound.
std::chrono::seconds ProgramTimeLimit() {
    const char* given = std::getenv("SIMPLEMAPI_PROGRAM_TIME_LIMIT");
    const long seconds = given ? std::strtol(given, nullptr, 10) : 0;
    if (seconds > 0 && seconds < kProgramTimeLimit.count()) {
        return std::chrono::seconds(seconds);
    }
    return kProgramTimeLimit;
}

class ProgramTransport final : public Transport {
public:
    explicit ProgramTransport(ProgramRoute route) : m_route(std::move(route)) {}

    Status Open() override;
    Status Send(const Envelope& envelope, const SpoolFile& message) override;
    LineBreaks LineBreakStyle() const override { return LineBreaks::Unix; }

private:
    std::vector<std::string> ArgumentsFor(const Envelope& envelope) const;
    Result<pid_t> Start(const std::vector<std::string>& arguments, int input) const;
    Status WaitFor(pid_t child) const;

    ProgramRoute m_route;
};

Status ProgramTransport::Open() {
    const auto& program = m_route.argv.front();
    struct stat info {};
    if (stat(program.c_str(), &info) != 0) {
        return Failure{MAPI_E_LOGIN_FAILURE, "program " + program + ": " + std::strerror(errno)};
    }
    if (!S_ISREG(info.st_mode) || access(program.c_str(), X_OK) != 0) {
        return Failure{MAPI_E_LOGIN_FAILURE, "program " + program + " is not executable"};
    }
    return std::nullopt;
}

// -i: a line with a single dot is text, not the end; "--": no address is an option.
std::vector<std::string> ProgramTransport::ArgumentsFor(const Envelope& envelope) const {
    auto arguments = m_route.argv;
    arguments.push_back("-i");
    if (!envelope.sender.empty()) {
        arguments.push_back("-f");
        arguments.push_back(envelope.sender);
    }
    arguments.push_back("--");
    arguments.insert(arguments.end(), envelope.recipients.begin(), envelope.recipients.end());
    return arguments;
}

// The message file is the program's standard input and its output goes to our
// standard error: no pipe to block on, no shell to interpret anything. The
// program leads a process group of its own, so that a hung wrapper can be ended
// together with everything it started.
Result<pid_t> ProgramTransport::Start(const std::vector<std::string>& arguments, int input) const {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = -1;
    const int error =
        posix_spawn(&child, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return Failure{MAPI_E_FAILURE,
                       "cannot run " + arguments.front() + ": " + std::strerror(error)};
    }
    return child;
}

Status ProgramTransport::WaitFor(pid_t child) const {
    const auto& program = m_route.argv.front();
    const auto limit = ProgramTimeLimit();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0 || (done < 0 && errno == EINTR)) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            return Failure{MAPI_E_FAILURE, program + " did not finish within " +
                                               std::to_string(limit.count()) +
                                               " seconds and was stopped"};
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    if (done < 0) {
        return Failure{MAPI_E_FAILURE, program + ": " + std::strerror(errno)};
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return std::nullopt;
    }
    if (WIFEXITED(status)) {
        return Failure{MAPI_E_FAILURE,
                       program + " exited with status " + std::to_string(WEXITSTATUS(status))};
    }
    return Failure{MAPI_E_FAILURE,
                   program + " was ended by signal " + std::to_string(WTERMSIG(status))};
}

Status ProgramTransport::Send(const Envelope& envelope, const SpoolFile& message) {
    if (auto failure = message.Rewind()) {
        return failure;
    }
    auto child = Start(ArgumentsFor(envelope), message.Fd());
    if (const auto* failure = FailureOf(child)) {
        return *failure;
    }
    return WaitFor(std::get<pid_t>(child));
}

} // namespace

std::unique_ptr<Transport> MakeProgramTransport(const ProgramRoute& route) {
    return std::make_unique<ProgramTransport>(route);
}
