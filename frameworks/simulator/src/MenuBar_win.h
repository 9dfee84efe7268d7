// The Win32 menu bar that shows a PlayerMenuServiceWin's item tree on its
// window. Main thread (the window's thread).
//
// Ownership: the bar attached to the window is destroyed with the window;
// a bar this object detaches (on rebuild or in its destructor while the
// window lives) is destroyed here.
#pragma once

#include <vector>

struct HWND__;
typedef HWND__* HWND;
struct HMENU__;
typedef HMENU__* HMENU;

namespace player {
class PlayerMenuItemWin;
}

namespace simulator {

class MenuBar {
public:
    explicit MenuBar(HWND window);
    ~MenuBar();

    // Builds a new bar from roots and puts it on the window in place of the
    // previous one. On a Win32 failure the previous bar stays and false is
    // returned.
    bool rebuild(const std::vector<player::PlayerMenuItemWin*>& roots);

private:
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    HWND _window;
    HMENU _attached = nullptr;
};

} // namespace simulator
