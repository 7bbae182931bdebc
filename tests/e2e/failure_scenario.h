// The fixture of the runs that fail part-way: a product whose failure
// messages carry the scenario's name, the run up to its error box, the
// answer with the rollback (and its undo popup) it starts, and what must be
// left afterwards.
#ifndef E2E_FAILURE_SCENARIO_H
#define E2E_FAILURE_SCENARIO_H

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <future>

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {

class FailureScenario : public SetupScenario {
protected:
    // `count` small source files below `folder` ("f000.txt" holds "0").
    void manySources(const std::string& folder, int count) {
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/f%03d.txt", i);
            source(folder + name, std::to_string(i));
        }
    }

    // Builds the product and writes it as `fileName` with a bit flipped in
    // the second chunk of its stored file `lastName`: `count` files in all,
    // `lastName` holding `data` stored as it is (noise that deflate
    // cannot shrink).
    void writeWithFlippedBit(const ProductDescription& product, std::size_t count, const std::string& lastName,
                             const std::string& data, const std::string& fileName) {
        Bytes file = build(product);
        ASSERT_FALSE(file.empty());
        const std::vector<StoredEntry> entries = storedEntries(file);
        ASSERT_EQ(entries.size(), count);
        // The last of the product's files: the uninstaller's component may follow it.
        const auto named = std::find_if(entries.begin(), entries.end(),
                                        [&](const StoredEntry& stored) { return stored.name == lastName; });
        ASSERT_NE(named, entries.end()) << lastName;
        const StoredEntry& entry = *named;
        ASSERT_EQ(entry.chunkLengths.size(), 3u);
        const Bytes piece(data.begin() + 16384 + 5000, data.begin() + 16384 + 5064);
        auto chunk = file.begin() + static_cast<std::ptrdiff_t>(entry.chunkOffsets[1]);
        auto found = std::search(chunk, chunk + entry.chunkLengths[1], piece.begin(), piece.end());
        ASSERT_NE(found, chunk + entry.chunkLengths[1]) << "the chunk is not stored as it is";
        found[10] ^= 0x10;
        writeInstaller(file, fileName);
    }

    // This scenario's texts for every failure message and the undo popup,
    // so that the boxes prove where their texts come from.
    ProductDescription failingDescription() {
        ProductDescription product = description();
        const std::string p = productName();
        product.setText("errArchiveCorrupt", p + ": the package is damaged.");
        product.setText("errCrc", p + ": a checksum does not match.");
        product.setText("errCreateFile", p + " cannot create '%s': %s");
        product.setText("errCreatePath", p + " cannot make the folder '%s': %s");
        product.setText("errWriteFile", p + " cannot write '%s': %s");
        product.setText("textUndoing", "Undoing what the setup of " + p + " did...");
        return product;
    }

    // Components named "One", "Two", ... holding the given files.
    void addComponents(ProductDescription& product, const std::vector<std::vector<std::string>>& files) {
        const char* names[] = {"One", "Two", "Three", "Four"};
        for (std::size_t i = 0; i < files.size(); ++i) {
            product.components.push_back({names[i], files[i]});
            product.defaultSelection.push_back(names[i]);
        }
    }

    // Starts the installer, accepts the install question and waits for the
    // error box; replace questions (for files that exist) are answered Yes.
    // `arguments` go to the installer.
    std::optional<Window> runToErrorBox(const std::string& fileName, Process*& setup,
                                        const std::vector<std::string>& arguments = {}) {
        setup = &startWith(fileName, arguments);
        std::optional<Window> question = waitWindow(fileName, "install-question");
        if (!question) return std::nullopt;
        acceptAndPassWizard(*question, fileName);
        const std::string errorTitle = productName() + " Error";
        bool found = waitUntil(
            [&] {
                for (const Window& window : robot.list(WindowQuery::byExe(fileName))) {
                    if (window.title == "Confirm File Replace") answer(window, kIdYes);
                    else if (window.title == errorTitle) return true;
                }
                return setup->poll().has_value();
            },
            kWindowTimeout);
        if (found && !setup->poll()) return waitWindow(WindowQuery::titled(fileName, errorTitle), "error");
        screenshot("no-error-box");
        ADD_FAILURE() << "no error box";
        return std::nullopt;
    }

    // Answers the error box and returns the exit code. With watchUndo the
    // undo popup must be seen while the rollback runs (its thread does not
    // pump then, so a second robot reads it without sending messages, and is
    // looking before the box is answered); a rollback of a few entries is
    // over too soon for that, one of 150 files lasts about a second.
    int answerAndExit(const Window& box, Process& setup, const std::string& fileName, bool watchUndo) {
        std::future<std::optional<Window>> popup;
        std::string watcherOutput;
        if (watchUndo) {
            const std::string ready = hostDir() + "/watching.ready", readyPath = windowsDir() + "watching.ready";
            std::filesystem::remove(ready);
            WindowQuery query = WindowQuery::titled(fileName, productName());
            query.className = "#32770";
            popup = std::async(std::launch::async, [query, readyPath, &watcherOutput] {
                Robot watcher(E2E_ROBOT_EXE);
                std::optional<Window> seen = watcher.waitForBusy(query, kWindowTimeout, readyPath);
                watcherOutput = watcher.lastOutput();
                return seen;
            });
            EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(ready); }, kWindowTimeout))
                << "the watching robot did not start";
        }
        answer(box, kIdOk);
        int code = exitCodeOf(setup);
        if (watchUndo) {
            std::optional<Window> seen = popup.get();
            EXPECT_TRUE(seen) << "no undo popup during the rollback";
            if (seen) {
                EXPECT_FALSE(seen->isMessageBox());
                const Control* text = seen->child(kNoticeText);
                EXPECT_TRUE(text) << "the popup has no text line: " << seen->title << " "
                                  << seen->children.size() << " children; " << watcherOutput;
                if (text) {
                    EXPECT_EQ(text->text, "Undoing what the setup of " + productName() + " did...");
                }
            }
        }
        return code;
    }

    // A box of this scenario's error caption with the text and OK alone.
    void expectErrorBox(const std::optional<Window>& box, const std::string& text) {
        expectBox(box, productName() + " Error", text, {kIdOk});
    }

    // The message of a failure that quotes a path and the system's reason.
    void expectPathAndReason(const std::optional<Window>& box, const std::string& head, const std::string& path) {
        ASSERT_TRUE(box);
        EXPECT_EQ(box->title, productName() + " Error");
        const std::string start = head + path + "': ";
        EXPECT_EQ(box->message.rfind(start, 0), 0u) << box->message;
        EXPECT_GT(box->message.size(), start.size()) << "no system reason: " << box->message;
    }

    // Runs the installer to the error box of a failure that quotes a path
    // (its message `head`, the path, the system's reason), answers it and
    // returns the exit code; -1 when no such box came.
    int failureQuotingPath(const std::string& fileName, const std::string& head, const std::string& path,
                           bool watchUndo = false) {
        Process* setup = nullptr;
        std::optional<Window> box = runToErrorBox(fileName, setup);
        expectPathAndReason(box, head, path);
        if (!box) return -1;
        return answerAndExit(*box, *setup, fileName, watchUndo);
    }

    void expectNothingLeft() {
        EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{}) << "the rollback left files";
        EXPECT_FALSE(std::filesystem::exists(hostInstallFolder())) << "the run's install folder stays";
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    }
};

}  // namespace e2e

#endif
