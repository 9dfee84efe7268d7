// The Windows application object and its run loop. Main thread.
//
// Exactly one exists; the constructor makes it the shared instance. run()
// pumps the window messages and runs one Director frame per animation
// interval until the GL view's window is closed or Director::end() is called.
#pragma once

#include "platform/CCApplicationProtocol.h"

#include <string>

namespace cocos2d {

class Application : public ApplicationProtocol {
public:
    Application();
    ~Application() override;

    static Application* getInstance();

    // initGLContextAttrs(); applicationDidFinishLaunching() (false → 1);
    // the loop; then the GL view's window is destroyed and 0 is returned.
    int run();

    void setAnimationInterval(float interval) override;
    LanguageType getCurrentLanguage() override;
    // Two-letter ISO 639-1 code of the user's UI language, "en" when unknown.
    const char* getCurrentLanguageCode() override;
    Platform getTargetPlatform() override;
    // Hands the URL to the shell; true when the shell accepted it.
    bool openURL(const std::string& url) override;

private:
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* s_sharedApplication;
    char _languageCode[8] = {};
};

} // namespace cocos2d
