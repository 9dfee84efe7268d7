// The operations the engine's run loop calls on the application object.
//
// The virtual slot order is part of the contract (the host's delegate
// overrides by slot): destructor, applicationDidFinishLaunching,
// applicationDidEnterBackground, applicationWillEnterForeground,
// setAnimationInterval, initGLContextAttrs, getCurrentLanguage,
// getCurrentLanguageCode, getTargetPlatform, openURL. Do not reorder.
#pragma once

#include <string>

namespace cocos2d {

enum class LanguageType {
    ENGLISH = 0,
    CHINESE,
    FRENCH,
    ITALIAN,
    GERMAN,
    SPANISH,
    DUTCH,
    RUSSIAN,
    KOREAN,
    JAPANESE,
    HUNGARIAN,
    PORTUGUESE,
    ARABIC,
    NORWEGIAN,
    POLISH,
    TURKISH,
    UKRAINIAN,
    ROMANIAN,
    BULGARIAN,
    VIETNAMESE,
    THAI,
};

class ApplicationProtocol {
public:
    enum class Platform {
        OS_WINDOWS,
        OS_LINUX,
        OS_MAC,
        OS_ANDROID,
        OS_IPHONE,
        OS_IPAD,
    };

    virtual ~ApplicationProtocol() {}

    // Return false to leave the run loop at once (run() then returns 1).
    virtual bool applicationDidFinishLaunching() = 0;
    virtual void applicationDidEnterBackground() = 0;
    virtual void applicationWillEnterForeground() = 0;
    virtual void setAnimationInterval(float interval) = 0;
    // Called before the GL view exists; set GLView::setGLContextAttrs here.
    virtual void initGLContextAttrs() {}
    virtual LanguageType getCurrentLanguage() = 0;
    virtual const char* getCurrentLanguageCode() = 0;
    virtual Platform getTargetPlatform() = 0;
    virtual bool openURL(const std::string& url) = 0;
};

} // namespace cocos2d
