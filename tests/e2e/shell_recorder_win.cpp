#include "tests/e2e/shell_recorder_win.h"

#include "tests/e2e/registry_win.h"
#include "tests/e2e/wait_win.h"

namespace e2e {
namespace {

// The shell's command for a protocol lives in the machine-wide classes under Wine.
std::string CommandKey(const std::string& protocol) {
    return "Software\\Classes\\" + protocol + "\\shell\\open\\command";
}

bool ReadDefault(const std::string& key, std::string* value) {
    return ReadRegistryText(HKEY_LOCAL_MACHINE, key, nullptr, value);
}

bool WriteDefault(const std::string& key, const std::string& value) {
    return WriteRegistryText(HKEY_LOCAL_MACHINE, key, nullptr, value);
}

}  // namespace

ShellRecorder::ShellRecorder() {
    if (!folder_.Ok()) {
        return;
    }
    log_ = JoinPath(folder_.Path(), "opened.txt");
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    const std::string command =
        std::string("\"") + system + "\\cmd.exe\" /c echo %1>>\"" + log_ + "\"";
    ok_ = true;
    for (const char* protocol : {"http", "mailto"}) {
        Saved saved;
        saved.protocol = protocol;
        saved.existed = ReadDefault(CommandKey(protocol), &saved.value);
        saved_.push_back(saved);
        ok_ = WriteDefault(CommandKey(protocol), command) && ok_;
    }
}

ShellRecorder::~ShellRecorder() {
    for (const Saved& saved : saved_) {
        if (saved.existed) {
            WriteDefault(CommandKey(saved.protocol), saved.value);
        } else {
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, CommandKey(saved.protocol).c_str(), nullptr);
        }
    }
    // A handler started last may still be writing.
    PumpFor(200);
}

std::vector<std::string> ShellRecorder::Opened() const {
    std::vector<std::string> lines;
    const std::string bytes = ReadFileBytes(log_);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            break;  // a line still being written
        }
        std::string line = bytes.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool ShellRecorder::WaitForOpened(size_t count, DWORD timeoutMs) const {
    return WaitUntil([&] { return Opened().size() >= count; }, timeoutMs);
}

}  // namespace e2e
