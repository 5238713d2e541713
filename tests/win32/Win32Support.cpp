#include "Win32Support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

thread_local Boxes* running = nullptr;

std::u16string textOf(HWND window) {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    const int n = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()),
                                 static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(n, 0)));
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

} // namespace

std::vector<HWND> dialogsOf(DWORD process) {
    struct Search {
        DWORD process;
        std::vector<HWND> found;
    } search{process ? process : GetCurrentProcessId(), {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->process && IsWindowVisible(window) && classOf(window) == L"#32770")
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Boxes::Boxes(Answer answer, std::function<void(HWND)> whileUp, DWORD process, DWORD upFor)
    : answer_(answer), whileUp_(std::move(whileUp)), process_(process), upFor_(upFor) {
    running = this;
    timer_ = SetTimer(nullptr, 0, 40, tick);
}

Boxes::~Boxes() {
    KillTimer(nullptr, timer_);
    running = nullptr;
}

void CALLBACK Boxes::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (running)
        running->look();
}

void Boxes::look() {
    const DWORD now = GetTickCount();
    for (HWND box : dialogsOf(process_)) {
        auto found = std::find_if(found_.begin(), found_.end(),
                                  [&](const Found& f) { return f.box == box; });
        if (found == found_.end()) {
            found_.push_back({box, now, false});
            found = found_.end() - 1;
        }
        if (found->answered || now - found->since < upFor_)
            continue;
        found->answered = true;
        seen_.push_back(describe(box));
        if (whileUp_)
            whileUp_(box);
        answer(box, answer_);
    }
}

bool Boxes::waitFor(std::size_t count, DWORD milliseconds) {
    const DWORD until = GetTickCount() + milliseconds;
    while (seen_.size() < count && static_cast<LONG>(until - GetTickCount()) > 0)
        pumpFor(20);
    return seen_.size() >= count;
}

SeenBox Boxes::describe(HWND box) {
    SeenBox seen;
    seen.title = textOf(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.ownerEnabled = seen.owner && IsWindowEnabled(seen.owner);
    GetWindowRect(box, &seen.frame);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        const std::wstring kind = classOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(kind.c_str(), L"Button") == 0)
            seen.buttons.push_back(textOf(child));
        else if (_wcsicmp(kind.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
            seen.icon = true;
        else if (!textOf(child).empty())
            seen.text += (seen.text.empty() ? u"" : u"\n") + textOf(child);
    }
    return seen;
}

void Boxes::answer(HWND box, Answer how) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &thread);
    HWND focus = thread.hwndFocus && IsChild(box, thread.hwndFocus) ? thread.hwndFocus : box;
    switch (how) {
    case Answer::Ok:
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (textOf(child) == u"OK")
                PostMessageW(child, BM_CLICK, 0, 0);
        break;
    case Answer::Enter:
    case Answer::Escape: {
        const WPARAM key = how == Answer::Enter ? VK_RETURN : VK_ESCAPE;
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
        break;
    }
    case Answer::CloseBox:
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

Picture::Picture(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC canvas = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(canvas, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(canvas, bitmap);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas),
                 PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const auto* source = static_cast<const DWORD*>(bits);
    pixels_.resize(static_cast<std::size_t>(width_) * height_);
    for (std::size_t i = 0; i < pixels_.size(); ++i) {
        const DWORD p = source[i];
        pixels_[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    SelectObject(canvas, old);
    DeleteObject(bitmap);
    DeleteDC(canvas);
}

COLORREF Picture::at(int x, int y) const {
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

template <typename Which> RECT Picture::boundsWhere(Which which) const {
    RECT box{};
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (which(x, y)) {
                const RECT pixel{x, y, x + 1, y + 1};
                if (isEmpty(box))
                    box = pixel;
                else
                    UnionRect(&box, &box, &pixel);
            }
    return box;
}

RECT Picture::boundsOf(COLORREF colour, const RECT& area) const {
    return boundsWhere([&](int x, int y) {
        const POINT at{x, y};
        return PtInRect(&area, at) && this->at(x, y) == colour;
    });
}

RECT Picture::differenceFrom(const Picture& other) const {
    return boundsWhere([&](int x, int y) {
        return x < other.width_ && y < other.height_ && at(x, y) != other.at(x, y);
    });
}

bool isEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

std::string describe(const RECT& r) {
    char text[80];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

UserSetting::UserSetting(const wchar_t* key, const wchar_t* name, DWORD value) {
    remember(key, name);
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof value);
}

UserSetting::UserSetting(const wchar_t* key, const wchar_t* name, const wchar_t* value) {
    remember(key, name);
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, value,
                    static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

void UserSetting::remember(const wchar_t* key, const wchar_t* name) {
    key_ = key;
    name_ = name;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type_, nullptr, &size) ==
        ERROR_SUCCESS) {
        old_.resize(size);
        existed_ = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type_, old_.data(),
                                &size) == ERROR_SUCCESS;
    }
}

UserSetting::~UserSetting() {
    if (existed_)
        RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), type_, old_.data(),
                        static_cast<DWORD>(old_.size()));
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
}

int runThisProgram(const std::string& filter, const wchar_t* variable, const wchar_t* value) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=" +
                           std::wstring(filter.begin(), filter.end());
    SetEnvironmentVariableW(variable, value);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(variable, nullptr);
    if (!started)
        return -1;
    WaitForSingleObject(child.hProcess, 120000);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return static_cast<int>(code);
}

bool underWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

void pumpFor(DWORD milliseconds) {
    const DWORD until = GetTickCount() + milliseconds;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The quit request is the application's to take.
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (static_cast<LONG>(until - GetTickCount()) > 0);
}

bool pumpUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    const DWORD until = GetTickCount() + milliseconds;
    while (!condition()) {
        if (static_cast<LONG>(until - GetTickCount()) <= 0)
            return false;
        pumpFor(10);
    }
    return true;
}

void pointerAt(HWND window, POINT client) {
    ClientToScreen(window, &client);
    SetCursorPos(client.x, client.y);
    pumpFor(60);
}

void mouseButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    pumpFor(60);
}

void key(WORD virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
    pumpFor(60);
}

void sendKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (const WORD k : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = k;
        inputs.push_back(input);
    }
    for (auto k = keys.end(); k != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--k;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void doubleClick(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT presses[4] = {};
    for (int i = 0; i < 4; ++i) {
        presses[i].type = INPUT_MOUSE;
        presses[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    SendInput(4, presses, sizeof(INPUT));
}

void tap(WORD virtualKey) {
    key(virtualKey, true);
    key(virtualKey, false);
}
