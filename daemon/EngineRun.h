#pragma once

#include <functional>
#include <memory>

class Browser;
class Engine;
class HeadlessOutput;
class MessageBoxes;
struct Platform;

// How one face shows the engine: a screen's windows, or standard output.
class EngineService;

struct EngineFace
{
    bool headless = false;
    // A desktop face gives the login: a run without a screen needs none saved.
    bool loginFromDesktop = false;
    std::function<std::unique_ptr<MessageBoxes>(HeadlessOutput& output)> makeMessageBoxes;
    std::function<std::unique_ptr<Browser>(HeadlessOutput& output)> makeBrowser;
    // Shows the engine and runs the event loop; the exit status.
    std::function<int(const Platform& platform, Engine& engine, EngineService& service, HeadlessOutput& output)>
        show;
};

// One run of the engine behind `face`: the program folder, one copy per user
// and files, the key store and the system's services, the engine, its signals
// and its status file. The application object exists already.
int runEngine(const EngineFace& face);

// The engine without a screen, its log on standard output for the journal;
// `forDesktop`: started by the desktop program, which gives the login.
int runService(int& argc, char** argv, bool forDesktop);
