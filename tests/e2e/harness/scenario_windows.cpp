// The windows a scenario meets: waiting for them, answering them, passing
// the wizard, and the screenshots of each.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "scenario.h"
#include "wine_session.h"

namespace e2e {
namespace {

// Wine paints a window shortly after it becomes visible; E2E_PAINT_DELAY_MS
// overrides the wait before a screenshot. No check waits for it.
Milliseconds paintDelay() {
    const char* text = std::getenv("E2E_PAINT_DELAY_MS");
    return Milliseconds(text && *text ? std::atoi(text) : 250);
}

std::string fileLabel(const std::string& label) {
    std::string out;
    for (char c : label) out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-') ? c : '_';
    return out;
}

}  // namespace

std::string SetupScenario::nextShotPath(const std::string& label) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d-", ++shotCount_);
    return shotsDir_ + "/" + prefix + fileLabel(label) + ".png";
}

void SetupScenario::warnNoPicture(const std::string& path) {
    std::cerr << "warning: no screenshot " << path << "\n";
    RecordProperty("missing-screenshot-" + std::to_string(++missingPictures_), path);
}

void SetupScenario::capture(const std::string& label, const std::optional<WineSession::Box>& window) {
    WineSession::RawScreenshot shot{nextShotPath(label)};
    if (window) {
        shot.left = window->left;
        shot.top = window->top;
    }
    if (wineSession().capture(shot, window)) shots_.push_back(shot);
    else warnNoPicture(shot.pngPath);
}

void SetupScenario::screenshot(const std::string& label) { capture(label, std::nullopt); }

void SetupScenario::screenshotWindow(const std::string& label, const Window& window) {
    const Rect& r = window.rect;
    capture(label, WineSession::Box{r.left, r.top, r.right, r.bottom});
}

void SetupScenario::pictureOf(const Window& window, const std::string& pngPath) {
    const Rect& r = window.rect;
    if (!wineSession().screenshot(pngPath, r.left, r.top, r.right, r.bottom)) warnNoPicture(pngPath);
}

std::optional<Window> SetupScenario::waitWindow(const std::string& fileName,
                                                const std::string& label, Milliseconds timeout) {
    return waitWindow(WindowQuery::byExe(fileName), label, timeout);
}

std::optional<Window> SetupScenario::waitWindow(const WindowQuery& query, const std::string& label,
                                                Milliseconds timeout) {
    const std::string& fileName = query.exe;
    std::optional<Window> window = robot.waitFor(query, timeout);
    if (!window) {
        screenshot(label + "-missing");
        ADD_FAILURE() << "no window of " << fileName << " within " << timeout.count()
                      << " ms; robot said: " << robot.lastOutput();
        return std::nullopt;
    }
    std::this_thread::sleep_for(paintDelay());
    screenshotWindow(label + "-" + window->title.substr(0, 40), *window);
    return window;
}

std::optional<Window> SetupScenario::waitMessageBox(const std::string& fileName,
                                                    const std::string& caption,
                                                    const std::string& label, Milliseconds timeout) {
    std::optional<Window> box;
    waitUntil(
        [&] {
            for (const Window& window : robot.list(WindowQuery::titled(fileName, caption))) {
                box = robot.describe(window.hwnd);
                if (box && box->isMessageBox()) return true;
            }
            box.reset();
            return false;
        },
        timeout);
    if (!box) {
        screenshot(label + "-missing");
        ADD_FAILURE() << "no message box \"" << caption << "\" of " << fileName;
        return std::nullopt;
    }
    std::this_thread::sleep_for(paintDelay());
    screenshot(label);
    return box;
}

std::optional<Window> SetupScenario::waitForState(unsigned long hwnd,
                                                  const std::function<bool(const Window&)>& done) {
    std::optional<Window> now;
    waitUntil(
        [&] {
            now = robot.describe(hwnd);
            return !now || done(*now);
        },
        kWindowTimeout);
    return now;
}

void SetupScenario::expectBox(const std::optional<Window>& box, const std::string& caption,
                              const std::string& text, const std::vector<int>& buttons) {
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isMessageBox()) << "class " << box->className;
    EXPECT_EQ(box->title, caption);
    EXPECT_EQ(box->message, text);
    EXPECT_EQ(box->buttonIds(), buttons);
}

void SetupScenario::answer(const Window& box, int buttonId) {
    EXPECT_TRUE(robot.click(box.hwnd, buttonId)) << robot.lastOutput();
    EXPECT_TRUE(robot.waitGone(box.hwnd, kWindowTimeout)) << "the box stays after button "
                                                          << buttonId;
}

std::optional<WizardPage> SetupScenario::currentWizardPage() {
    if (wizardSheet_ == 0) return std::nullopt;
    std::optional<Window> sheet = robot.describe(wizardSheet_);
    if (!sheet) return std::nullopt;
    return wizardPageOf(*sheet);
}

std::optional<WizardPage> SetupScenario::waitWizardPage(const std::string& fileName,
                                                        const std::string& label,
                                                        unsigned long previousPage) {
    std::optional<WizardPage> settled;
    waitUntil(
        [&] {
            std::optional<WizardPage> view = currentWizardPage();
            if (!view) {
                // The sheet is the installer's window that shows a page.
                for (const Window& window : robot.list(WindowQuery::byExe(fileName))) {
                    std::optional<Window> full = robot.describe(window.hwnd);
                    if (full && (view = wizardPageOf(*full))) {
                        wizardSheet_ = full->hwnd;
                        break;
                    }
                }
            }
            if (!view || view->page == previousPage) return false;
            // A page posts its buttons when it shows. The next look's
            // messages pass the sheet's queue behind them, so once two looks
            // agree the buttons are the page's own.
            settled = currentWizardPage();
            return settled && settled->page == view->page &&
                   settled->navigation() == view->navigation();
        },
        kWindowTimeout);
    if (!settled || settled->page == previousPage) {
        screenshot(label + "-missing");
        ADD_FAILURE() << "no new wizard page of " << fileName << "; robot said: " << robot.lastOutput();
        return std::nullopt;
    }
    std::this_thread::sleep_for(paintDelay());
    screenshot(label + "-" + settled->sheet.title.substr(0, 40));
    return settled;
}

std::optional<WizardPage> SetupScenario::toggle(const WizardPage& page, int id) {
    const Control* control = page.control(id);
    if (!control) {
        ADD_FAILURE() << "the page has no control " << id;
        return std::nullopt;
    }
    const int before = control->check;
    EXPECT_TRUE(robot.clickButton(page.sheet.hwnd, id)) << robot.lastOutput();
    std::optional<Window> sheet = waitForState(page.sheet.hwnd, [&](const Window& now) {
        std::optional<WizardPage> view = wizardPageOf(now);
        return view && view->control(id) && view->control(id)->check != before;
    });
    if (!sheet) return std::nullopt;
    return wizardPageOf(*sheet);
}

bool SetupScenario::acceptQuestion(const std::string& fileName) {
    std::optional<Window> question = waitWindow(fileName, "install-question");
    if (question) answer(*question, kIdYes);
    return question.has_value();
}

std::optional<WizardPage> SetupScenario::acceptToWizard(const std::string& fileName, const std::string& label) {
    if (!acceptQuestion(fileName)) return std::nullopt;
    return waitWizardPage(fileName, label);
}

void SetupScenario::acceptAndPassWizard(const Window& question, const std::string& fileName) {
    answer(question, kIdYes);
    // A product without pages has no wizard: the next window is another one.
    std::optional<Window> first = robot.waitFor(WindowQuery::byExe(fileName), kWindowTimeout);
    if (!first || !wizardPageOf(*first)) return;
    unsigned long previous = 0;
    for (int page = 0; page < 33; ++page) {
        std::optional<WizardPage> view = waitWizardPage(fileName, "wizard", previous);
        if (!view) return;
        if (view->offers(kWizardFinish)) {
            robot.click(view->sheet.hwnd, kWizardFinish);
            robot.waitGone(view->sheet.hwnd, kWindowTimeout);
            wizardSheet_ = 0;
            return;
        }
        robot.click(view->sheet.hwnd, kWizardNext);
        previous = view->page;
    }
    ADD_FAILURE() << "the wizard did not end after 33 pages";
}

std::optional<Window> SetupScenario::acceptToWindow(const std::string& fileName, const std::string& caption,
                                                    const std::string& label) {
    std::optional<Window> question = waitWindow(fileName, "question");
    if (!question) return std::nullopt;
    acceptAndPassWizard(*question, fileName);
    return waitWindow(WindowQuery::titled(fileName, caption), label);
}

std::string SetupScenario::finishAtCompletion(const std::string& fileName, Process& setup,
                                              Milliseconds timeout) {
    std::optional<Window> done = waitMessageBox(fileName, productName(), "completion", timeout);
    if (!done) return "";
    EXPECT_EQ(done->buttonIds(), std::vector<int>{kIdOk}) << done->message;
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), kSetupDone);
    return done->message;
}

CompletedRun SetupScenario::installToCompletion(const std::string& fileName,
                                                const std::vector<std::string>& environment) {
    CompletedRun run;
    Process& setup = start(fileName, environment);
    run.question = waitWindow(fileName, "question");
    if (!run.question) return run;
    acceptAndPassWizard(*run.question, fileName);
    run.completion = finishAtCompletion(fileName, setup);
    return run;
}

}  // namespace e2e
