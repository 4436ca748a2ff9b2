// Closing the window ends the process at once with code 0, whatever is still running.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace {

struct Ending {
    bool ended = false;
    int status = 0;
};

// Runs the close probe in `mode` and waits up to `limit` for it to end.
Ending RunProbe(const std::string& mode, std::chrono::seconds limit) {
    std::string program = TALVEX_CLOSE_PROBE;
    std::string argument = mode;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return {};
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Ending ending;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &ending.status, WNOHANG) == pid) {
            ending.ended = true;
            return ending;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return ending;
}

struct ExitCase {
    const char* mode;
};

void PrintTo(const ExitCase& row, std::ostream* out) {
    *out << row.mode;
}

class ClosingTheWindow : public testing::TestWithParam<ExitCase> {};

// The pause would last a minute and the workers never stop: only an immediate end passes.
TEST_P(ClosingTheWindow, EndsTheProcessAtOnceWithCodeZero) {
    const Ending ending = RunProbe(GetParam().mode, std::chrono::seconds(30));
    ASSERT_TRUE(ending.ended) << "still running long after the window closed";
    ASSERT_TRUE(WIFEXITED(ending.status)) << "ended by signal " << WTERMSIG(ending.status);
    EXPECT_EQ(WEXITSTATUS(ending.status), 0);
}

INSTANTIATE_TEST_SUITE_P(While, ClosingTheWindow,
                         testing::Values(ExitCase{"worker"}, ExitCase{"pause"}),
                         [](const testing::TestParamInfo<ExitCase>& param) {
                             return std::string(param.param.mode);
                         });

}  // namespace
