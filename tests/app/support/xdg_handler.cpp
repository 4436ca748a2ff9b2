#include "tests/app/support/xdg_handler.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace talvex::test {
namespace {

constexpr const char* kDesktopFileName = "talvex-test-recorder.desktop";
const std::vector<std::string> kHandledTypes = {"x-scheme-handler/magnet", "x-scheme-handler/http",
                                                "x-scheme-handler/https", "text/plain"};
// After the sentinel arrives, openers started before it get this long to finish recording.
constexpr std::chrono::milliseconds kSettleTime{300};

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void SetOrUnset(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}

}  // namespace

TemporaryXdgHandler::TemporaryXdgHandler() {
    std::string pattern = (std::filesystem::temp_directory_path() / "talvex-xdg-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_directory = pattern;
    m_recordFile = m_directory + "/opened";
    const std::string dataHome = m_directory + "/data";
    const std::string configHome = m_directory + "/config";
    std::filesystem::create_directories(dataHome + "/applications");
    std::filesystem::create_directories(configHome);

    // Each argument is followed by a NUL byte, so newlines and spaces inside it stay visible.
    const std::string recorder = m_directory + "/record-argument";
    WriteFile(recorder, "#!/bin/sh\nprintf '%s\\0' \"$1\" >> '" + m_recordFile + "'\n");
    chmod(recorder.c_str(), 0755);

    std::string mimeTypes;
    std::string defaults = "[Default Applications]\n";
    for (const std::string& type : kHandledTypes) {
        mimeTypes += type + ";";
        defaults += type + "=" + kDesktopFileName + "\n";
    }
    WriteFile(dataHome + "/applications/" + kDesktopFileName,
              "[Desktop Entry]\nType=Application\nName=Talvex test recorder\nExec=" + recorder +
                  " %u\nMimeType=" + mimeTypes + "\nNoDisplay=true\n");
    WriteFile(configHome + "/mimeapps.list", defaults);

    const std::vector<std::pair<std::string, std::optional<std::string>>> settings = {
        {"XDG_DATA_HOME", dataHome},
        {"XDG_CONFIG_HOME", configHome},
        // Without a display xdg-open skips the scheme handlers and tries $BROWSER instead.
        {"BROWSER", recorder},
        {"XDG_CURRENT_DESKTOP", std::string("X-Generic")},
        {"DESKTOP_SESSION", std::nullopt},
        {"KDE_FULL_SESSION", std::nullopt},
        {"GNOME_DESKTOP_SESSION_ID", std::nullopt},
        {"MATE_DESKTOP_SESSION_ID", std::nullopt},
    };
    for (const auto& [name, value] : settings) {
        const char* old = std::getenv(name.c_str());
        m_savedEnvironment.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        SetOrUnset(name, value);
    }
}

TemporaryXdgHandler::~TemporaryXdgHandler() {
    for (const auto& [name, value] : m_savedEnvironment) {
        SetOrUnset(name, value);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
}

std::vector<std::string> TemporaryXdgHandler::Opened() const {
    std::ifstream in(m_recordFile, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> opened;
    std::size_t begin = 0;
    for (std::size_t end = all.find('\0'); end != std::string::npos; end = all.find('\0', begin)) {
        opened.push_back(all.substr(begin, end - begin));
        begin = end + 1;
    }
    return opened;
}

std::vector<std::string> TemporaryXdgHandler::WaitForOpened(std::size_t count,
                                                            std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<std::string> opened = Opened();
    while (opened.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        opened = Opened();
    }
    return opened;
}

std::vector<std::string> TemporaryXdgHandler::OpenedBefore(const std::string& sentinel) const {
    std::string program = "xdg-open";
    std::string argument = sentinel;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        throw std::runtime_error("cannot start xdg-open");
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::this_thread::sleep_for(kSettleTime);
    std::vector<std::string> opened;
    for (std::string& argumentSeen : Opened()) {
        if (argumentSeen != sentinel) {
            opened.push_back(std::move(argumentSeen));
        }
    }
    return opened;
}

}  // namespace talvex::test
