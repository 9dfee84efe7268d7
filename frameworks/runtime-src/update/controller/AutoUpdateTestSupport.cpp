#include "update/controller/AutoUpdateTestSupport.h"
#include "LogHook.h"

#include "cocos2d.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdate.h"
#include "update/controller/AutoUpdateProgress.h"
#include "update/controller/AutoUpdateScene.h"
#include "update/controller/UpdateTexts.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace cocos2d;

namespace autoupdatetest {

bool fakeProgressClock = false;
int64_t progressClockNow = 0;

namespace {

uint32_t crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBigEndian(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void chunk(std::string& png, const char* type, const std::string& data) {
    putBigEndian(png, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    putBigEndian(png, crc32(typed));
}

// zlib stream of stored blocks.
std::string zlibStored(const std::string& raw) {
    std::string out = "\x78\x01";
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(n & 0xFF));
        out.push_back(static_cast<char>(n >> 8));
        out.push_back(static_cast<char>(~n & 0xFF));
        out.push_back(static_cast<char>((~n >> 8) & 0xFF));
        out.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(out, (b << 16) | a);
    return out;
}

Vec2 designToClient(GLView* view, const Vec2& design) {
    const Rect& port = view->getViewPortRect();
    const float zoom = view->getFrameZoomFactor();
    const float frameX = port.origin.x + design.x * view->getScaleX();
    const float frameYUp = port.origin.y + design.y * view->getScaleY();
    return Vec2(frameX * zoom, (view->getFrameSize().height - frameYUp) * zoom);
}

std::string* const kTexts[] = {&au_checkupdate, &au_update, &reserr_0,   &reserr_1_0, &reserr_1_1, &reserr_2,
                               &reserr_3,       &alert_title, &alert_retry, &gwerr_net, &gwerr_json};

}  // namespace

std::string pngBytes(int width, int height, unsigned rgba) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA
    chunk(png, "IHDR", header);
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) putBigEndian(raw, rgba);
    }
    chunk(png, "IDAT", zlibStored(raw));
    chunk(png, "IEND", "");
    return png;
}

const std::string& writableFolder() {
    static updatetest::TempFolder* folder = [] {
        auto* f = new updatetest::TempFolder("-writable");
        FileUtils::getInstance()->setWritablePath(f->path());
        return f;
    }();
    return folder->path();
}

GameFolder::GameFolder() : folder_("-game") {
    writableFolder();
    FileUtils::getInstance()->setSearchPaths({folder_.path()});
    FileUtils::getInstance()->setPopupNotify(true);
}

void GameFolder::write(const std::string& relative, const std::string& bytes) const {
    // Each folder on the way, outermost first.
    for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
        updatetest::makeDir(folder_.path() + relative.substr(0, slash));
    updatetest::writeFile(folder_.path() + relative, bytes);
}

std::string layoutJson(const char* lblMsgClass, bool withBg) {
    std::string children;
    if (withBg) {
        children += R"({"classname":"ImageView","options":{"name":"bg","x":375,"y":667,)"
                    R"("fileNameData":{"path":"bg.jpg","resourceType":0}},"children":[]},)";
    }
    children += R"({"classname":"LoadingBar","options":{"name":"bar_process","x":375,"y":120,"percent":0},"children":[]},)";
    children += std::string(R"({"classname":")") + lblMsgClass +
                R"(","options":{"name":"lbl_msg","x":375,"y":160,"text":"","fontSize":24},"children":[]})";
    return R"({"version":"1.6.0.0","designWidth":750,"designHeight":1334,"textures":[],)"
           R"("widgetTree":{"classname":"Panel","options":{"name":"root","width":750,"height":1334},"children":[)" +
           children + "]}}";
}

LogCapture::LogCapture() {
    setLogHook([this](const std::string& line) { lines_.push_back(line); });
}

LogCapture::~LogCapture() { setLogHook(nullptr); }

bool LogCapture::has(const std::string& line) const { return count(line) > 0; }

int LogCapture::count(const std::string& line) const {
    return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
}

std::vector<std::string> LogCapture::startingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : lines_)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

std::string LogCapture::text() const {
    std::string out;
    for (const std::string& line : lines_) out += line + "\n";
    return out;
}

TextsSnapshot::TextsSnapshot() {
    for (std::string* text : kTexts) saved_.push_back(*text);
}

TextsSnapshot::~TextsSnapshot() {
    for (size_t i = 0; i < saved_.size(); ++i) *kTexts[i] = saved_[i];
}

GLView* testView(float frameWidth, float frameHeight) {
    Director* director = Director::getInstance();
    static GLView* view = [] {
        GLViewImpl* created = GLViewImpl::createWithRect("update test", Rect(0, 0, 750, 1334));
        if (created == nullptr) {
            // Every scene test needs it: stop here rather than fail each one.
            std::fprintf(stderr, "no GL view: the update tests need a display (DISPLAY=%s)\n",
                         std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
            std::exit(1);
        }
        Director::getInstance()->setOpenGLView(created);
        return static_cast<GLView*>(created);
    }();
    if (director->getOpenGLView() != view) director->setOpenGLView(view);
    view->setFrameSize(frameWidth, frameHeight);
    director->startAnimation();
    return view;
}

void runFrames(int count) {
    for (int i = 0; i < count; ++i) Director::getInstance()->mainLoop(1.0f / 60);
}

bool runFramesUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        runFrames(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

Label* findLabel(Node* root, const std::string& text) {
    if (root == nullptr) return nullptr;
    if (auto* label = dynamic_cast<Label*>(root))
        if (label->getString() == text) return label;
    for (Node* child : root->getChildren())
        if (Label* found = findLabel(child, text)) return found;
    return nullptr;
}

ui::Button* findButton(Node* root) {
    if (root == nullptr) return nullptr;
    if (auto* button = dynamic_cast<ui::Button*>(root)) return button;
    for (Node* child : root->getChildren())
        if (ui::Button* found = findButton(child)) return found;
    return nullptr;
}

void click(ui::Widget* widget, int touches) {
    GLView* view = Director::getInstance()->getOpenGLView();
    const Size size = widget->getContentSize();
    const Vec2 centre = designToClient(view, widget->convertToWorldSpace(Vec2(size.width / 2, size.height / 2)));
    std::vector<intptr_t> ids;
    for (int i = 1; i <= touches; ++i) ids.push_back(i);
    std::vector<float> xs(ids.size(), centre.x), ys(ids.size(), centre.y);
    view->handleTouchesBegin(touches, ids.data(), xs.data(), ys.data());
    view->handleTouchesEnd(touches, ids.data(), xs.data(), ys.data());
}

void resetController() {
    AutoUpdate* controller = AutoUpdate::getInstance();
    Director::getInstance()->getScheduler()->unscheduleAllForTarget(controller);
    Director::getInstance()->resetScenes();
    runFrames(1);  // drains what the autorelease pool still holds
    controller->layoutRoot = nullptr;
    controller->barProcess = nullptr;
    controller->lblMsg = nullptr;
    controller->gatewayUrl.clear();
    controller->checkRunning = false;
    updateScene = UpdateSceneRefs();
    resetProgressState();
}

}  // namespace autoupdatetest

int64_t progressClockNs() {
    if (autoupdatetest::fakeProgressClock) return autoupdatetest::progressClockNow;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
