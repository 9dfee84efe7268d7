// Start-up settings of the project read from its "config.json": the initial
// view size and orientation, the entry script and the debug ports.
//
// getInstance() returns the process-wide parser and reads nothing by itself;
// the host calls readConfig() with the file it wants. Until then, and for
// every value a file does not give with the right type, the defaults hold:
// ports 6010 and 6020, view 960 x 640, landscape, no entry file.
//
// Main thread: an instance is bound to the thread that creates it and every
// method checks it.
#pragma once

#include "math/CCGeometry.h"
#include "simulator/ThreadBinding.h"

#include <string>

class ConfigParser {
public:
    // The process-wide parser, created on first use and never destroyed.
    static ConfigParser* getInstance();

    // A fresh parser with the defaults (the process-wide one is made so;
    // tests make their own).
    ConfigParser();

    // Reads path through the engine's FileUtils and takes the values of its
    // "init_cfg" object:
    //   "width" + "height": both numbers >= 0, stored swapped so that
    //                       width >= height;
    //   "isLandscape": bool;  "entry": string;
    //   "consolePort", "uploadPort": integers in 1..65535.
    // A UTF-8 byte-order mark is skipped. A missing or empty file keeps every value. A parse error logs
    // "read json file <path> failed because of <rapidjson code>" and keeps
    // every value. Returns true when the file was read and parsed.
    bool readConfig(const std::string& path);

    int getConsolePort() const;
    int getUploadPort() const;
    cocos2d::Size getInitViewSize() const;
    void setInitViewSize(const cocos2d::Size& size);
    bool isLandscape() const;
    std::string getEntryFile() const;

private:
    simulator::ThreadBinding _thread;
    int _consolePort = 6010;
    int _uploadPort = 6020;
    cocos2d::Size _initViewSize{960.0f, 640.0f};
    bool _landscape = true;
    std::string _entryFile;
};
