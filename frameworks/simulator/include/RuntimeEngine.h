// The simulator runtime: receives the project configuration and puts the
// project's folders in front of the engine's search paths.
//
// Main thread: bound to the thread of the first getInstance() call; every
// method checks it.
#pragma once

#include "ProjectConfig/ProjectConfig.h"
#include "simulator/ThreadBinding.h"

#include <string>

class RuntimeEngine {
public:
    // The process-wide runtime, created on first use and never destroyed.
    static RuntimeEngine* getInstance();

    // Keeps a copy of config and puts its project folder at the front of the
    // engine's search paths, with the file-server folder in front of that.
    // An empty project folder is replaced by getExecutableDirAbsolute() (in
    // the kept copy too). Folders put in front by earlier calls stay behind.
    void setProjectConfig(const ProjectConfig& config);
    const ProjectConfig& getProjectConfig() const;

    // Where files pushed by a debugging file server would live: the writable
    // path followed by "debugruntime\". Searched before the project folder;
    // nothing requires it to exist.
    std::string getFileServerDir() const;

private:
    RuntimeEngine() = default;

    simulator::ThreadBinding _thread;
    ProjectConfig _config;
};
