// Walks one installation from its first question to its completion message
// with the robot and keeps a picture of every step, cut to its window:
//   demo_walk INSTALLER OUTPUT_FOLDER [PROGRESS_TITLE] [--windows-9x]
// Every question before the wizard's end is answered Yes, every wizard page
// passed with Next and the last with Finish. In a run that goes well the
// only question after the wizard is whether to restart: the walk answers it
// No and ends there (a DirectX failure question answered so would end the
// run as a cancel).
// With --windows-9x the installer sees a Windows 9x platform without
// DirectDraw, so that a product that needs DirectX shows its DirectX page
// and runs its DirectX setup. Runs in the Wine prefix
// OUTPUT_FOLDER/wineprefix-walk on the display given, or on a private Xvfb
// when there is none. Exit code 0 when the installer ended with 0.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "harness/robot_client.h"
#include "harness/wine_session.h"
#include "harness/wizard_view.h"

namespace {

using e2e::Milliseconds;
namespace fs = std::filesystem;

constexpr Milliseconds kWait{30000};
// A window that waits for an answer is pictured once Wine has surely painted
// it; a progress window or status popup as soon as its first paint has
// reached the screen, well within the second or so its work lasts.
constexpr Milliseconds kPaint{400};
constexpr Milliseconds kFirstPaint{150};

class Walk {
public:
    Walk(std::string exe, std::string output, std::string progressTitle,
         std::vector<std::string> environment)
        : exe_(std::move(exe)),
          output_(std::move(output)),
          progressTitle_(std::move(progressTitle)),
          environment_(std::move(environment)) {}

    void keep(const e2e::Window& window, const std::string& step, Milliseconds paint = kPaint) {
        std::this_thread::sleep_for(paint);
        char name[128];
        std::snprintf(name, sizeof name, "%02d-%s.png", ++steps_, step.c_str());
        const std::string path = output_ + "/" + name;
        const e2e::Rect& r = window.rect;
        if (e2e::wineSession().screenshot(path, r.left, r.top, r.right, r.bottom))
            std::cout << path << "\n";
        else
            std::cerr << "no screenshot " << path << "\n";
    }

    // The wizard page after `previous`, once its buttons have settled: a
    // page posts them when it shows, and the messages of the next look pass
    // the sheet's queue behind them, so two looks that agree show the page's
    // own.
    std::optional<e2e::WizardPage> nextPage(unsigned long sheet, unsigned long previous) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (std::chrono::steady_clock::now() < deadline) {
            std::optional<e2e::Window> window = robot_.describe(sheet);
            if (!window) return std::nullopt;
            std::optional<e2e::WizardPage> page = e2e::wizardPageOf(*window);
            if (page && page->page != previous) {
                std::optional<e2e::Window> again = robot_.describe(sheet);
                std::optional<e2e::WizardPage> settled = again ? e2e::wizardPageOf(*again) : std::nullopt;
                if (settled && settled->page == page->page && settled->navigation() == page->navigation())
                    return settled;
                continue;
            }
            std::this_thread::sleep_for(Milliseconds(50));
        }
        return std::nullopt;
    }

    int run() {
        e2e::Process setup = e2e::wineSession().launch({exe_}, environment_);
        const std::string image = fs::path(exe_).filename().string();
        const e2e::WindowQuery query = e2e::WindowQuery::byExe(image);
        bool wizardDone = false;
        for (int step = 0; step < 40; ++step) {
            // Read without messages: a popup's thread does not pump while
            // its step runs, and the step may be over before a reply comes.
            std::optional<e2e::Window> window = robot_.waitForBusy(query, kWait);
            if (!window) break;
            if (window->isMessageBox()) {
                const bool question = window->child(e2e::kIdYes) != nullptr;
                const bool restart = question && wizardDone;
                keep(*window, restart ? "restart-question" : question ? "question" : "completion");
                robot_.click(window->hwnd, restart ? e2e::kIdNo : question ? e2e::kIdYes : e2e::kIdOk);
                robot_.waitGone(window->hwnd, kWait);
                if (!question || restart) break;
                continue;
            }
            if (!wizardDone && e2e::wizardPageOf(*window)) {
                unsigned long previous = 0;
                for (int page = 1; page <= 32; ++page) {
                    std::optional<e2e::WizardPage> view = nextPage(window->hwnd, previous);
                    if (!view) break;
                    keep(view->sheet, "wizard-" + std::to_string(page));
                    const bool last = view->offers(e2e::kWizardFinish);
                    robot_.click(view->sheet.hwnd, last ? e2e::kWizardFinish : e2e::kWizardNext);
                    if (last) break;
                    previous = view->page;
                }
                robot_.waitGone(window->hwnd, kWait);
                wizardDone = true;
                continue;
            }
            const bool product = window->title == progressTitle_;
            const bool bar = window->child(e2e::kProgressBar) != nullptr;
            keep(*window, product ? "progress" : bar ? "extraction" : "status", kFirstPaint);
            robot_.waitGone(window->hwnd, kWait);
        }
        std::optional<int> code = setup.wait(kWait);
        return code ? *code : -1;
    }

private:
    std::string exe_, output_, progressTitle_;
    std::vector<std::string> environment_;
    e2e::Robot robot_{E2E_ROBOT_EXE};
    int steps_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool windows9x = false;
    if (!args.empty() && args.back() == "--windows-9x") {
        windows9x = true;
        args.pop_back();
    }
    if (args.size() != 2 && args.size() != 3) {
        std::cerr << "usage: demo_walk INSTALLER OUTPUT_FOLDER [PROGRESS_TITLE] [--windows-9x]\n";
        return 2;
    }
    const std::string installer = fs::absolute(args[0]).string();
    const std::string output = fs::absolute(args[1]).string();
    fs::create_directories(output);
    e2e::WineSession& session = e2e::wineSession();
    if (!session.start(output + "/wineprefix-walk")) {
        std::cerr << session.error() << "\n";
        return 1;
    }
    std::vector<std::string> environment;
    if (windows9x) {
        // Wine reports Windows 9x to a program its AppDefaults say win98 for;
        // without DirectDraw the installed DirectX counts as not found.
        const std::string image = fs::path(installer).filename().string();
        session.setRegistryString("HKCU\\Software\\Wine\\AppDefaults\\" + image, "Version", "win98");
        const char* overrides = std::getenv("WINEDLLOVERRIDES");
        environment.push_back(std::string("WINEDLLOVERRIDES=") +
                              (overrides && *overrides ? std::string(overrides) + ";" : "") + "ddraw=d");
    }
    const int code = Walk(installer, output, args.size() == 3 ? args[2] : "", environment).run();
    session.stop();
    std::cout << "the installer ended with exit code " << code << "\n";
    return code == 0 ? 0 : 1;
}
