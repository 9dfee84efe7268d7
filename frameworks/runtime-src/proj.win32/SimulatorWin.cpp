#include "proj.win32/SimulatorWin.h"

#include "proj.win32/AppDelegate.h"
#include "proj.win32/CommandLine.h"
#include "proj.win32/DisplayScale.h"
#include "proj.win32/HostPaths.h"
#include "proj.win32/HostWindowProc.h"
#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/TlsWarmup.h"
#include "proj.win32/Win32.h"

#include "ConfigParser.h"
#include "PlayerWin.h"
#include "RuntimeEngine.h"
#include "cocos2d.h"

#include <commctrl.h>

#include <memory>

using namespace cocos2d;

namespace {

const char kGameTitle[] = "H\xe1\xba\xa3i V\xc3\xa2n Truy\xe1\xbb\x87n";  // "Hải Vân Truyện"
constexpr float kAnimationInterval = 1.0f / 60;

// A lone argument names the project folder, unless the parser took it as one of
// its own options (such as "-retina-display") or it is empty.
bool isLoneProjectFolder(const std::vector<std::string>& args) {
    return args.size() == 2 && !args[1].empty() && !ProjectConfig::isOption(args[1]);
}

}  // namespace

SimulatorWin* SimulatorWin::getInstance() {
    static SimulatorWin* instance = new SimulatorWin();  // never destroyed
    return instance;
}

SimulatorWin::~SimulatorWin() {
    delete app;
    app = nullptr;
    if (debugLogFile) std::fclose(debugLogFile);
}

void SimulatorWin::loadProjectSettings(ProjectConfig& config) {
    ProjectConfig settings;
    const std::vector<std::string> args = processArguments();
    if (args.size() >= 2) {
        if (!args[1].empty() && args[1][0] == '/') settings.setProjectDir(args[1]);
        settings.parseCommandLine(args);  // "-workdir" overrides the "/" rule
    }
    // With no folder named this way, "config.json" is the one of the folder
    // that run() makes the project folder: a lone argument's, else the
    // executable's. Never the start folder, which a shortcut or a launcher
    // may set anywhere.
    if (settings.getProjectDir().empty()) settings.setProjectDir(isLoneProjectFolder(args) ? args[1] : getExecutableDir());
    FileUtils::getInstance()->setDefaultResourceRootPath(settings.getProjectDir());

    ConfigParser* parser = ConfigParser::getInstance();
    parser->readConfig(settings.getProjectDir() + "config.json");
    config.setConsolePort(parser->getConsolePort());
    config.setUploadPort(parser->getUploadPort());
    config.setFrameSize(parser->getInitViewSize());
    if (parser->isLandscape()) {
        config.changeFrameOrientationToLandscape();
    } else {
        config.changeFrameOrientationToPortait();
    }
    config.setScriptFile(parser->getEntryFile());
}

int SimulatorWin::run() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);  // result unused: only the About box's controls need it

    loadProjectSettings(project);
    const std::vector<std::string> args = processArguments();
    project.parseCommandLine(args);

    if (project.getProjectDir().empty() && isLoneProjectFolder(args)) {
        project.setProjectDir(args[1]);
        project.setDebuggerType(kProjectConfigDebuggerCodeIDE);
    }
    if (project.getProjectDir().empty()) {
        // Decide before setting the folder: the library fills an empty writable path from it.
        const bool writableGiven = !project.getWritablePath().empty();
        project.setProjectDir(getExecutableDir());
        if (!writableGiven) project.setWritablePath(getExecutableDir() + "/data");
    }

    app = new AppDelegate();
    RuntimeEngine::getInstance()->setProjectConfig(project);

    if (project.isWriteDebugLogToFile()) {
        debugLogFile = ::_wfopen(utf8ToWide(project.getDebugLogFilePath()).c_str(), L"w");
    }

    const std::string projectDir = project.getProjectDir();
    ::SetCurrentDirectoryW(utf8ToWide(projectDir).c_str());  // a failure leaves the old directory; reads go by the root
    FileUtils::getInstance()->setDefaultResourceRootPath(projectDir);
    FileUtils::getInstance()->setWritablePath(project.getWritableRealPath());

    const float dpiScale = dpiScaleForDpi(screenHorizontalDpi());
    const FramePlan frame = planFrame(project.getFrameSize(), project.isRetinaDisplay(), dpiScale);
    ConfigParser::getInstance()->setInitViewSize(frame.frameSize);

    startTlsWarmup();

    GLContextAttrs attrs = {8, 8, 8, 8, 24, 8};
    GLView::setGLContextAttrs(attrs);
    GLViewImpl* glview = GLViewImpl::createWithRect(
        kGameTitle, Rect(0, 0, frame.frameSize.width, frame.frameSize.height), frame.frameZoom);
    if (!glview) {
        log("Khong tao duoc cua so OpenGL - thoat");
        return 1;
    }
    hwnd = glview->getWin32Window();
    player::PlayerWin::createWithHwnd(hwnd);
    ::DragAcceptFiles(hwnd, TRUE);
    Director::getInstance()->setOpenGLView(glview);
    Director::getInstance()->setAnimationInterval(kAnimationInterval);

    if (!projectDir.empty()) {
        const float zoom = project.getFrameScale();
        project.setFrameScale(zoom);
        Director::getInstance()->getOpenGLView()->setFrameZoomFactor(zoom);
    }

    const Vec2 offset = project.getWindowOffset();
    if (offset.x != 0 && offset.y != 0) {
        RECT rect = {};
        ::GetWindowRect(hwnd, &rect);
        ::MoveWindow(hwnd, static_cast<int>(offset.x), static_cast<int>(offset.y), rect.right - rect.left,
                     rect.bottom - rect.top, FALSE);
    }

    FileUtils::getInstance()->addSearchPath(getExecutableDir(), false);
    FileUtils::getInstance()->setPopupNotify(false);
    project.dump();

    installHostWindowProc(hwnd);
    return Application::getInstance()->run();
}

void SimulatorWin::writeDebugLogLine(const char* line) {
    if (!debugLogFile) return;
    std::fputs(line, debugLogFile);
    std::fputc('\n', debugLogFile);
    std::fflush(debugLogFile);
}

void SimulatorWin::quit() { Director::getInstance()->end(); }

int SimulatorWin::getWindowLeft() {
    RECT rect = {};
    ::GetWindowRect(hwnd, &rect);
    return rect.left;
}

int SimulatorWin::getWindowTop() {
    RECT rect = {};
    ::GetWindowRect(hwnd, &rect);
    return rect.top;
}

void SimulatorWin::spawnInstance() { spawnInstanceWithConfig(project); }

void SimulatorWin::spawnInstanceWithConfig(const ProjectConfig& config) {
    // The executable's path is quoted (it may hold blanks) and the buffer is
    // sized from the conversion, so a long configuration is never cut short.
    const std::string commandLine = "\"" + getExecutablePath() + "\" " + config.makeCommandLine();
    std::wstring wide = utf8ToWide(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ScopedKernelHandle processHandle(process.hProcess);  // not waited for: only released
        ScopedKernelHandle threadHandle(process.hThread);
    }
}

void SimulatorWin::reopenWithConfig(const ProjectConfig& config) {
    spawnInstanceWithConfig(config);
    quit();
}

void SimulatorWin::relaunch() {
    const Vec2 offset(static_cast<float>(getWindowLeft()), static_cast<float>(getWindowTop()));
    project.setWindowOffset(offset);
    spawnInstanceWithConfig(project);
    quit();
}
