// Helpers of the update controller's in-process tests: images written by the
// test itself, a game folder on the search paths, the engine log captured,
// the update texts kept, frames run on a real GL view, and looks into the
// scene graph. Main thread.
#pragma once

#include "update/engine/UpdateTestSupport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cocos2d {
class GLView;
class Label;
class Node;
namespace ui {
class Button;
class Widget;
}  // namespace ui
}  // namespace cocos2d

namespace autoupdatetest {

// This program links its own progressClockNs in place of the library's: the
// steady clock, or progressClockNow (nanoseconds) while fakeProgressClock is set.
extern bool fakeProgressClock;
extern int64_t progressClockNow;

// A solid-colour RGBA PNG of the given size (stored deflate blocks).
std::string pngBytes(int width, int height, unsigned rgba = 0x3080C0FFu);

// A game folder of its own, made the only search path (the writable path is
// the process-wide one, see writableFolder).
class GameFolder {
public:
    GameFolder();
    void write(const std::string& relative, const std::string& bytes) const;
    const std::string& path() const { return folder_.path(); }

private:
    updatetest::TempFolder folder_;
};

// The writable folder of the test process, set on first use: the update's
// resources folder is fixed by its first use for the whole process.
const std::string& writableFolder();

// The layout of the update screen with "bg", "bar_process" and "lbl_msg".
std::string layoutJson(const char* lblMsgClass = "Label", bool withBg = true);

// Every engine log line while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::vector<std::string>& lines() const { return lines_; }
    bool has(const std::string& line) const;
    int count(const std::string& line) const;
    // Lines that begin with prefix.
    std::vector<std::string> startingWith(const std::string& prefix) const;
    std::string text() const;

private:
    std::vector<std::string> lines_;
};

// The eleven texts, restored when it goes.
class TextsSnapshot {
public:
    TextsSnapshot();
    ~TextsSnapshot();

private:
    std::vector<std::string> saved_;
};

// One real GL view for the process, its frame resized per test.
cocos2d::GLView* testView(float frameWidth, float frameHeight);

// Director frames (scheduler, scene switch, drawing, autorelease pool).
void runFrames(int count);
bool runFramesUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Depth-first through children.
cocos2d::Label* findLabel(cocos2d::Node* root, const std::string& text);
cocos2d::ui::Button* findButton(cocos2d::Node* root);
// Presses and releases at the widget's centre through the view's touch input,
// with that many touches at once (each its own id).
void click(cocos2d::ui::Widget* widget, int touches = 1);

// Drops the scenes, timers of the controller and its references.
void resetController();

}  // namespace autoupdatetest
