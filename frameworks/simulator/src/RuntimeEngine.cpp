// RuntimeEngine: keeps the project configuration and fixes the front of the
// engine's search paths.
#include "RuntimeEngine.h"

#include "HostCallbacks.h"
#include "PathRules.h"
#include "platform/CCFileUtils.h"

namespace {

// Folder below the writable path that a debugging file server fills.
const char* const kFileServerFolder = "debugruntime\\";

} // namespace

RuntimeEngine* RuntimeEngine::getInstance()
{
    static RuntimeEngine* instance = new RuntimeEngine();
    return instance;
}

void RuntimeEngine::setProjectConfig(const ProjectConfig& config)
{
    _thread.check("RuntimeEngine::setProjectConfig");
    _config = config;
    if (_config.getProjectDir().empty()) _config.setProjectDir(getExecutableDirAbsolute());

    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    // Both go to the front, so the later call ends up first.
    if (!_config.getProjectDir().empty()) files->addSearchPath(_config.getProjectDir(), true);
    const std::string fileServerDir = getFileServerDir();
    if (!fileServerDir.empty()) files->addSearchPath(fileServerDir, true);
}

const ProjectConfig& RuntimeEngine::getProjectConfig() const
{
    _thread.check("RuntimeEngine::getProjectConfig");
    return _config;
}

std::string RuntimeEngine::getFileServerDir() const
{
    _thread.check("RuntimeEngine::getFileServerDir");
    const std::string writable = _config.getWritableRealPath();
    if (writable.empty()) return std::string();
    return simulator::joinConfigPath(writable, kFileServerFolder);
}
