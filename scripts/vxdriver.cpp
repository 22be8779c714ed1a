// vxdriver.exe: how the Linux side (scripts/wine_machine.py, the end-to-end tests, the
// benchmarks, the demo) reaches a program's windows and the machine's registry. With
// arguments it runs them as commands in order, each printing one line ("error: ..." ends the
// run with exit 1). Without, it serves: each line read is one command, its words between
// tabs, answered by one line; it lives as long as the machine, so a question costs a pipe's
// round trip instead of a Wine process. Answers write \, a line break and NUL as \\ \n \0.
//   find CAPTION CLASS MS ("hwnd pid"), gone HWND MS, count CAPTION CLASS, owner HWND ("owner
//   enabled"), paint HWND, text|click|pos HWND ID, settext HWND ID TEXT (as typed), rect HWND ID
//   (screen "x y width height"; ID 0: the client area), post|send HWND MSG WPARAM LPARAM,
//   run COMMAND MS (its exit code; an error when it showed a window or did not end),
//   reg VIEW KEY NAME ("TYPE data", "none"), regset VIEW KEY NAME TYPE DATA ("1" when written),
//   attrib PATH +r|-r. VIEW: 32, 64 or - (the program's own); KEY: HKLM\... or HKCU\...;
//   TYPE: sz, dword, multi (DATA's texts separated by |); NAME "" with reg: "key" when it exists.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

namespace {

bool waitFor(DWORD timeoutMs, const std::function<bool()>& condition) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(5))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

bool windowSeen;

BOOL CALLBACK lookForWindow(HWND window, LPARAM process) {
    DWORD owner = 0;
    windowSeen |= GetWindowThreadProcessId(window, &owner) && owner == static_cast<DWORD>(process) && IsWindowVisible(window);
    return TRUE;
}

std::string text(HWND window) {
    char buffer[2048] = {};  // through a time-out: a hung window gives no text and fails the test
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return buffer;
}

HKEY openKey(const std::string& view, const std::string& path, bool create) {
    size_t cut = path.find('\\');
    HKEY root = path.compare(0, cut, "HKCU") == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, key = nullptr;
    REGSAM access = KEY_ALL_ACCESS | (view == "32" ? KEY_WOW64_32KEY : view == "64" ? KEY_WOW64_64KEY : 0);
    std::string name = path.substr(cut + 1);
    LONG result = create ? RegCreateKeyExA(root, name.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr)
                         : RegOpenKeyExA(root, name.c_str(), 0, access, &key);
    return result == ERROR_SUCCESS ? key : nullptr;
}

std::string readValue(HKEY key, const std::string& name) {
    DWORD type = 0, size = 0;
    if (name.empty()) return "key";
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return "none";
    std::string data(size + 1, '\0');
    RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    char dword[24];
    snprintf(dword, sizeof dword, "dword 0x%lx", *reinterpret_cast<DWORD*>(&data[0]));
    if (type == REG_DWORD) return dword;
    return (type == REG_MULTI_SZ ? "multi " : "sz ") + (type == REG_MULTI_SZ ? data.substr(0, size) : data.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arg;
    size_t i = 0;
    auto number = [&](int k) { return strtoul(arg[i + k].c_str(), nullptr, 0); };
    auto window = [&](int k) { return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(number(k))); };
    auto control = [&] { return GetDlgItem(window(0), static_cast<int>(number(1))); };
    const struct {
        const char* name;
        size_t arguments;
        std::function<std::string()> run;
    } commands[] = {
        {"find", 3, [&] {
            HWND found = nullptr;
            waitFor(number(2), [&] {
                found = FindWindowA(arg[i + 1].c_str(), arg[i].c_str());
                return found && IsWindowVisible(found);
            });
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            return found ? std::to_string(reinterpret_cast<ULONG_PTR>(found)) + " " + std::to_string(owner)
                         : "error: no window " + arg[i];
        }},
        {"gone", 2, [&] { return std::to_string(waitFor(number(1), [&] { return !IsWindow(window(0)); })); }},
        {"owner", 1, [&] {  // "OWNER ENABLED": the window that owns it, and whether that takes input
            HWND owner = GetWindow(window(0), GW_OWNER);
            return std::to_string(reinterpret_cast<ULONG_PTR>(owner)) + " " + std::to_string(IsWindowEnabled(owner) != 0);
        }},
        {"count", 2, [&] {  // the visible windows of a caption and class
            int count = 0;
            for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, arg[i + 1].c_str(), arg[i].c_str())) != nullptr;)
                count += IsWindowVisible(w) != 0;
            return std::to_string(count);
        }},
        {"text", 2, [&] { return text(number(1) ? control() : window(0)); }},
        {"click", 2, [&] {  // once its window is in front (or after 3 s): a button of a dialog still being
            // activated can lose the press, its focus taken between the press and the release
            waitFor(3000, [&] { return GetForegroundWindow() == window(0); });
            return std::to_string(PostMessageA(control(), BM_CLICK, 0, 0));
        }},
        {"paint", 1, [&] {  // painted whole now: its thread has drawn it when this answers
            return std::to_string(RedrawWindow(window(0), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN));
        }},
        {"settext", 3, [&] { return std::to_string(SetWindowTextA(control(), arg[i + 2].c_str())); }},
        {"pos", 2, [&] { return std::to_string(SendMessageA(control(), PBM_GETPOS, 0, 0)); }},
        {"rect", 2, [&] {
            RECT area = {};
            if (number(1) == 0) {
                GetClientRect(window(0), &area);
                MapWindowPoints(window(0), nullptr, reinterpret_cast<POINT*>(&area), 2);
            } else {
                GetWindowRect(control(), &area);
            }
            return std::to_string(area.left) + " " + std::to_string(area.top) + " " +
                   std::to_string(area.right - area.left) + " " + std::to_string(area.bottom - area.top);
        }},
        {"run", 2, [&] {
            STARTUPINFOA start = {sizeof start, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, {}, {}, {}};
            PROCESS_INFORMATION process = {};
            CreateProcessA(nullptr, &arg[i][0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process);
            DWORD code = STILL_ACTIVE;
            windowSeen = false;
            waitFor(number(1), [&] {
                EnumWindows(lookForWindow, static_cast<LPARAM>(process.dwProcessId));
                return GetExitCodeProcess(process.hProcess, &code) && code != STILL_ACTIVE;
            });
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            return windowSeen ? "error: it showed a window" : code == STILL_ACTIVE ? "error: no end" : std::to_string(code);
        }},
        {"post", 4, [&] { return std::to_string(PostMessageA(window(0), number(1), number(2), number(3))); }},
        {"send", 4, [&] { return std::to_string(SendMessageA(window(0), number(1), number(2), number(3))); }},
        {"reg", 3, [&] {
            HKEY key = openKey(arg[i], arg[i + 1], false);
            std::string value = key ? readValue(key, arg[i + 2]) : "none";
            return RegCloseKey(key), value;
        }},
        {"regset", 5, [&] {
            HKEY key = openKey(arg[i], arg[i + 1], true);
            std::string data = arg[i + 4] + '\0';
            DWORD dword = strtoul(data.c_str(), nullptr, 0), type = arg[i + 3] == "multi" ? REG_MULTI_SZ : REG_SZ;
            for (char& c : data) c = type == REG_MULTI_SZ && c == '|' ? '\0' : c;
            LONG result = arg[i + 3] == "dword" ? RegSetValueExA(key, arg[i + 2].c_str(), 0, REG_DWORD,
                                                                 reinterpret_cast<BYTE*>(&dword), sizeof dword)
                                                : RegSetValueExA(key, arg[i + 2].c_str(), 0, type,
                                                                 reinterpret_cast<const BYTE*>(data.data()), data.size());
            return RegCloseKey(key), std::to_string(key && result == ERROR_SUCCESS);
        }},
        {"attrib", 2, [&] {
            DWORD now = GetFileAttributesA(arg[i].c_str());
            DWORD next = arg[i + 1] == "+r" ? now | FILE_ATTRIBUTE_READONLY : now & ~FILE_ATTRIBUTE_READONLY;
            return std::to_string(now != INVALID_FILE_ATTRIBUTES && SetFileAttributesA(arg[i].c_str(), next));
        }},
    };
    auto runAll = [&] {
        for (i = 0; i < arg.size();) {
            std::string name = arg[i++], out = "error: unknown command or too few arguments: " + name, line;
            for (const auto& command : commands)
                if (name == command.name && i + command.arguments <= arg.size()) {
                    out = command.run();
                    i += command.arguments;
                    break;
                }
            for (char c : out) line += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\0' ? "\\0" : std::string(1, c);
            printf("%s\n", line.c_str());
            fflush(stdout);
            if (out.rfind("error:", 0) == 0) return false;
        }
        return true;
    };
    if (argc > 1) {
        arg.assign(argv + 1, argv + argc);
        return runAll() ? 0 : 1;
    }
    for (std::string line;; line.clear()) {  // served: until the machine's end closes the pipe
        for (int c; (c = getchar()) != '\n'; line += static_cast<char>(c))
            if (c == EOF) return 0;
        arg.assign(1, "");
        for (char c : line)
            if (c == '\t') arg.emplace_back();
            else arg.back() += c;
        runAll();
    }
}
