#include "proj.win32/HostWindowProc.h"

#include "proj.win32/SimulatorWin.h"
#include "proj.win32/TextConversion.h"

#include "AppEvent.h"
#include "PlayerMenuServiceWin.h"
#include "PlayerProtocol.h"
#include "cocos2d.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace cocos2d;

namespace {

WNDPROC previousWindowProc = nullptr;

void onMenuCommand(WORD commandId) {
    player::PlayerProtocol* host = player::PlayerProtocol::getInstance();
    auto* menu = host ? dynamic_cast<player::PlayerMenuServiceWin*>(host->getMenuService()) : nullptr;
    if (player::PlayerMenuItemWin* item = menu ? menu->getItemByCommandId(commandId) : nullptr) {
        AppEvent event("APP.EVENT", APP_EVENT_MENU);
        event.setDataString(std::string("{\"data\":\"") + item->getMenuId() + "\",\"name\":\"menuClicked\"}");
        event.setUserData(item);
        Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
    }
    if (commandId == kAboutCommandId) showAboutDialog();
}

void onDropFiles(HDROP drop) {
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0) return;
    const UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
    std::vector<wchar_t> name(length + 1, L'\0');
    ::DragQueryFileW(drop, 0, name.data(), length + 1);
    char* utf8 = wideToUtf8Alloc(name.data());
    const std::string path = utf8 ? utf8 : "";
    std::free(utf8);
    ::DragFinish(drop);  // the engine's own procedure leaves the handle alone
    // Wine counts one nameless file in an empty list; there is nothing to report then.
    if (path.empty()) return;

    AppEvent event("APP.EVENT.DROP", APP_EVENT_DROP);
    event.setDataString(path);
    Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
}

}  // namespace

std::string copyDataText(const COPYDATASTRUCT& data) {
    if (!data.lpData || data.cbData == 0) return std::string();
    const char* text = static_cast<const char*>(data.lpData);
    const void* nul = std::memchr(text, '\0', data.cbData);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : data.cbData;
    return std::string(text, length);
}

void installHostWindowProc(HWND window) {
    // SetWindowLongPtrW is SetWindowLongW with GWL_WNDPROC in a 32-bit build.
    previousWindowProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&hostWindowProc)));
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_SYSCOMMAND:
        if (HIWORD(wParam) == 0) onMenuCommand(LOWORD(wParam));
        break;
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        break;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        // Every such message is one line, an empty one included.
        if (data && data->dwData == kCopyDataDebugLogLine) {
            SimulatorWin::getInstance()->writeDebugLogLine(copyDataText(*data).c_str());
        }
        break;
    }
    case WM_DESTROY:
        ::DragAcceptFiles(window, FALSE);
        break;
    default:
        break;
    }
    return ::CallWindowProcW(previousWindowProc, window, message, wParam, lParam);
}

void showAboutDialog() {
    auto* view = static_cast<GLViewImpl*>(Director::getInstance()->getOpenGLView());
    HWND owner = view ? view->getWin32Window() : nullptr;
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAboutDialogId), owner, &aboutDialogProc, 0);
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void closeHostWindow() {
    auto* view = static_cast<GLViewImpl*>(Director::getInstance()->getOpenGLView());
    if (view) ::SendMessageW(view->getWin32Window(), WM_CLOSE, 0, 0);
}
