#pragma once

// What the tests of the Win32 front end share: boxes answered while they are up, pictures of
// windows, and settings of the desktop changed for a child run of the test program.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// What a test saw of a box while it was up.
struct SeenBox {
    std::u16string title;
    // The texts of the box, its buttons aside, in the order of its controls.
    std::u16string text;
    std::vector<std::u16string> buttons;
    bool icon = false;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    RECT frame{};
};

// How a box is answered: a click on OK, Enter or Esc on the focused control, or the box's
// close box.
enum class Answer { Ok, Enter, Escape, CloseBox };

// Answers every box (a dialog window) that opens while it lives, in this thread or in the
// process given: records it, and once it has been up for the time given, runs whileUp and
// answers it. A timer of the thread drives it, so the box's own loop must be running.
class Boxes {
public:
    explicit Boxes(Answer answer = Answer::Enter, std::function<void(HWND box)> whileUp = {},
                   DWORD process = 0, DWORD upFor = 0);
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;
    ~Boxes();

    const std::vector<SeenBox>& seen() const { return seen_; }
    // Pumps this thread's messages until count boxes have been answered or time runs out.
    bool waitFor(std::size_t count, DWORD milliseconds = 30000);

    static SeenBox describe(HWND box);
    static void answer(HWND box, Answer how);

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void look();

    Answer answer_;
    std::function<void(HWND)> whileUp_;
    DWORD process_;
    DWORD upFor_;
    std::vector<SeenBox> seen_;
    struct Found {
        HWND box;
        DWORD since;
        bool answered;
    };
    std::vector<Found> found_;
    UINT_PTR timer_ = 0;
};

// The visible dialog windows of a process (0: this one), in z-order.
std::vector<HWND> dialogsOf(DWORD process);

// The client area of a window as the window paints it (WM_PRINTCLIENT), in 32-bit colour.
class Picture {
public:
    explicit Picture(HWND window);
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const;
    // The smallest rectangle that holds every pixel of colour within area; empty when none.
    RECT boundsOf(COLORREF colour, const RECT& area) const;
    // The smallest rectangle that holds every pixel that differs from other's.
    RECT differenceFrom(const Picture& other) const;
    bool operator==(const Picture& other) const { return pixels_ == other.pixels_; }

private:
    template <typename Which> RECT boundsWhere(Which which) const;

    int width_ = 0, height_ = 0;
    std::vector<COLORREF> pixels_;
};

bool isEmpty(const RECT& r);
std::string describe(const RECT& r);

// A value under HKEY_CURRENT_USER set for as long as the object lives, then put back.
class UserSetting {
public:
    UserSetting(const wchar_t* key, const wchar_t* name, DWORD value);
    UserSetting(const wchar_t* key, const wchar_t* name, const wchar_t* value);
    UserSetting(const UserSetting&) = delete;
    UserSetting& operator=(const UserSetting&) = delete;
    ~UserSetting();

private:
    void remember(const wchar_t* key, const wchar_t* name);
    std::wstring key_, name_;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> old_;
    bool existed_ = false;
};

// Runs this test program again with the tests that filter names and the variable given set,
// as a process of its own, which takes the desktop's settings afresh; its exit code.
int runThisProgram(const std::string& filter, const wchar_t* variable, const wchar_t* value);

// True when the platform is Wine, which lacks a few things that Windows has.
bool underWine();
// Pumps this thread's messages for the time given; a quit request ends it and stays for the
// application.
void pumpFor(DWORD milliseconds);
// Pumps this thread's messages until condition holds, for at most the time given; whether it
// held. The platform tells some things late: Wine finds the pointer gone by polling.
bool pumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 3000);

// Real input, as a person's: the pointer put on a point of a window's client area, a mouse
// button or a key pressed or let go (SendInput); each followed by a pump of this thread.
void pointerAt(HWND window, POINT client);
void mouseButton(bool down);
void key(WORD virtualKey, bool down = true);
// The same without the pump, for code that runs inside a loop of the program's own.
void sendKeys(std::initializer_list<WORD> keys);
// Two quick presses of the left mouse button at the middle of the window, without the pump.
void doubleClick(HWND window);
void tap(WORD virtualKey);
