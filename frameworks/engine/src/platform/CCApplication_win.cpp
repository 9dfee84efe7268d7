// The Windows run loop and the application's platform queries.
//
// Loop, until the GL view's window asked to close, Director::end() was
// called, or WM_QUIT arrived:
//   1. dispatch every waiting message (input is never held back by a frame);
//   2. when the next frame is due (frames keep to a grid of animation
//      intervals, see FramePacer), run one Director frame;
//   3. otherwise sleep in MsgWaitForMultipleObjects until the next frame is
//      due or a message arrives.
// Then the Director is purged, which destroys the window: WM_DESTROY still
// passes through any procedure subclassed in front of the view's own.
#include "platform/CCApplication.h"

#include "base/CCConsole.h"
#include "base/CCDirector.h"
#include "platform/CCGLView.h"
#include "platform/FramePacer.h"
#include "platform/Utf16_win.h"
#include "platform/Windows_win.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstring>

namespace cocos2d {

Application* Application::s_sharedApplication = nullptr;

namespace {

// Asks for 1 ms timer resolution while the loop runs, so waits of a few
// milliseconds do not overshoot a 16.7 ms frame by a whole default tick.
class ScopedTimerResolution {
public:
    ScopedTimerResolution() : _active(::timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~ScopedTimerResolution() {
        if (_active) ::timeEndPeriod(1);
    }
    ScopedTimerResolution(const ScopedTimerResolution&) = delete;
    ScopedTimerResolution& operator=(const ScopedTimerResolution&) = delete;

private:
    bool _active;
};

// Dispatches every waiting message; false once WM_QUIT was seen.
bool pumpMessages() {
    MSG msg;
    bool keepRunning = true;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            keepRunning = false;
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return keepRunning;
}

bool shouldLeaveLoop(Director* director) {
    if (director->isEnding()) return true;
    GLView* view = director->getOpenGLView();
    return view && view->windowShouldClose();
}

LONGLONG performanceCounter() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

struct LanguageName {
    const char* code;
    LanguageType type;
};

const LanguageName kLanguages[] = {
    {"en", LanguageType::ENGLISH},   {"zh", LanguageType::CHINESE},    {"fr", LanguageType::FRENCH},
    {"it", LanguageType::ITALIAN},   {"de", LanguageType::GERMAN},     {"es", LanguageType::SPANISH},
    {"nl", LanguageType::DUTCH},     {"ru", LanguageType::RUSSIAN},    {"ko", LanguageType::KOREAN},
    {"ja", LanguageType::JAPANESE},  {"hu", LanguageType::HUNGARIAN},  {"pt", LanguageType::PORTUGUESE},
    {"ar", LanguageType::ARABIC},    {"nb", LanguageType::NORWEGIAN},  {"no", LanguageType::NORWEGIAN},
    {"pl", LanguageType::POLISH},    {"tr", LanguageType::TURKISH},    {"uk", LanguageType::UKRAINIAN},
    {"ro", LanguageType::ROMANIAN},  {"bg", LanguageType::BULGARIAN},  {"vi", LanguageType::VIETNAMESE},
    {"th", LanguageType::THAI},
};

} // namespace

Application::Application() {
    if (s_sharedApplication) log("cocos2d: a second Application replaces the shared instance");
    s_sharedApplication = this;
}

Application::~Application() {
    if (s_sharedApplication == this) s_sharedApplication = nullptr;
}

Application* Application::getInstance() { return s_sharedApplication; }

int Application::run() {
    initGLContextAttrs();
    if (!applicationDidFinishLaunching()) return 1;

    Director* director = Director::getInstance();
    ScopedTimerResolution timerResolution;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    FramePacer pacer(frequency.QuadPart);

    while (pumpMessages() && !shouldLeaveLoop(director)) {
        const float interval = director->getAnimationInterval();
        const LONGLONG intervalTicks =
            interval > 0.0f ? static_cast<LONGLONG>(static_cast<double>(interval) * frequency.QuadPart) : 0;
        const LONGLONG now = performanceCounter();
        if (pacer.takeFrame(now, intervalTicks)) {
            director->mainLoop();
            continue;
        }
        // Wakes early for any input; the loop then pumps before the next frame.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, pacer.waitMs(now, intervalTicks), QS_ALLINPUT);
    }

    director->purgeDirector();
    return 0;
}

void Application::setAnimationInterval(float interval) { Director::getInstance()->setAnimationInterval(interval); }

const char* Application::getCurrentLanguageCode() {
    strcpy(_languageCode, "en");
    const LANGID lang = ::GetUserDefaultUILanguage();
    wchar_t name[9] = {};
    if (::GetLocaleInfoW(MAKELCID(lang, SORT_DEFAULT), LOCALE_SISO639LANGNAME, name, 9) <= 0) return _languageCode;
    // Only a two-letter (ISO 639-1) code; three-letter names fall back to "en".
    if (wcslen(name) != 2) return _languageCode;
    for (int i = 0; i < 2; ++i) {
        const wchar_t c = name[i];
        if (c < L'a' || c > L'z') {
            strcpy(_languageCode, "en");
            return _languageCode;
        }
        _languageCode[i] = static_cast<char>(c);
    }
    _languageCode[2] = '\0';
    return _languageCode;
}

LanguageType Application::getCurrentLanguage() {
    const char* code = getCurrentLanguageCode();
    for (const auto& entry : kLanguages)
        if (strcmp(entry.code, code) == 0) return entry.type;
    return LanguageType::ENGLISH;
}

Application::Platform Application::getTargetPlatform() { return Platform::OS_WINDOWS; }

bool Application::openURL(const std::string& url) {
    const std::wstring wide = win32::utf8ToWide(url);
    if (wide.empty()) return false;
    // ShellExecuteW reports success as a value above 32.
    HINSTANCE result = ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace cocos2d
